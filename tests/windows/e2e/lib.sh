# Shared by the end-to-end scripts (sourced). The caller sets:
#   SCR      the built saver (.scr)          HELPERS  the directory of saver_probe.exe & co.
#   DOUBLES  the directory of PASSWORD.CPL and MPR.DLL
#   WORK     a scratch directory for this test
# and runs inside tools/with-wine (the script re-enters itself there when it is not).

set -u
e2e_dir=$(cd "$(dirname "$0")" && pwd)
if [ "${TEKUTEKU_WITH_WINE:-}" != 1 ]; then
    exec "$e2e_dir/../../../tools/with-wine" --arch "${E2E_ARCH:-win32}" "$0" "$@"
fi
: "${SCR:?}" "${HELPERS:?}" "${DOUBLES:?}" "${WORK:?}"

rm -rf "$WORK"
mkdir -p "$WORK"
APP=$WORK/app
SAVER_PID=
. "$e2e_dir/../../../tools/control-ini.sh"  # INI, write_settings, save_ini, restore_ini

. "$e2e_dir/checks.sh"  # check, pass, fail, say, summary
finish() {
    cleanup_saver
    summary
    exit $?
}

# A Windows path for a Unix one (drive Z: is the Unix root in every prefix).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds; fails when SECONDS of real time
# pass first. The deadline only matters when something is really wrong, so keep it generous.
wait_until() {
    _wu_end=$(($(date +%s) + $1))
    shift
    until "$@"; do
        [ "$(date +%s)" -ge "$_wu_end" ] && return 1
        sleep 0.05
    done
}

# wait_foreground CLASS SECONDS: waits until a window of CLASS is Wine's foreground window and
# the X keyboard focus is on one of the saver's X windows, so that keys typed with xdotool reach
# it (Wine's foreground can be set a moment before X has mapped and focused the window).
wait_foreground() { wait_until "$2" is_foreground "$1"; }
is_foreground() {
    case $(probe foreground) in *" $1") ;; *) return 1 ;; esac
    _xf=$(xdotool getwindowfocus 2>/dev/null) || return 1
    xwininfo -id "$_xf" 2>/dev/null | grep -q 'Map State: IsViewable' &&
        xprop -id "$_xf" WM_CLASS 2>/dev/null | grep -q '"tekuteku.scr"'
}

probe() { wine "$HELPERS/saver_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
send_close() { wine "$HELPERS/send_close.exe" "$@" >/dev/null 2>&1; }

# The usual start of a full-screen run: the saver in its directory, the stored settings kept
# for restoring, no password, the screen's size in W and H, and SHOTS for screenshots.
prepare_fullscreen_run() {
    make_app_dir
    save_ini
    set_password_switch 0
    set -- $(screen_size)
    W=$1 H=$2
    SHOTS=$WORK/shots
    mkdir -p "$SHOTS"
}

# The saver in a directory of its own, so the component doubles beside it are the only ones
# it can find. Arguments: names of doubles to put beside it (PASSWORD.CPL, MPR.DLL).
make_app_dir() {
    rm -rf "$APP"
    mkdir -p "$APP"
    cp "$SCR" "$APP/tekuteku.scr"
    for double in "$@"; do cp "$DOUBLES/$double" "$APP/"; done
}

screen_size() { xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2]; exit }'; }

# The pointer sits in the middle of the screen before Wine sees any saver window.
park_pointer() {
    set -- $(screen_size)
    # No --sync: it waits for a movement forever when the pointer is already there.
    xdotool mousemove $(($1 / 2)) $(($2 / 2))
    wait_until 30 pointer_at $(($1 / 2)) $(($2 / 2))
}
pointer_at() { [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:$1 y:$2" ]; }

# start_saver TAIL...: runs the saver in the background; SAVER_PID is its wine process.
start_saver() {
    wine "$APP/tekuteku.scr" "$@" >"$WORK/saver.out" 2>&1 &
    SAVER_PID=$!
}

# wait_saver_exit SECONDS: waits up to SECONDS for the saver to end and sets SAVER_EXIT to its
# status. Fails when it is still running (and leaves it running). Not for use in $(...): only
# this shell can wait for its own children.
wait_saver_exit() {
    SAVER_EXIT=
    wait_until "$1" saver_gone || return 1
    wait "$SAVER_PID"
    SAVER_EXIT=$?
    SAVER_PID=
}
saver_gone() { ! kill -0 "$SAVER_PID" 2>/dev/null; }

# ends_with CODE SECONDS: the saver ends within SECONDS with exit status CODE.
ends_with() {
    wait_saver_exit "$2" || { say "     (still running after $2 s)"; return 1; }
    [ "$SAVER_EXIT" = "$1" ] || { say "     (exit status $SAVER_EXIT, wanted $1)"; return 1; }
}

# still_running MS: true when the saver is still running after MS. Only for showing that
# something does NOT end it, and only once the saver is up and has the focus (saver_ready).
still_running() {
    sleep "$(awk "BEGIN { print $1 / 1000 }")"
    [ -n "$SAVER_PID" ] && kill -0 "$SAVER_PID" 2>/dev/null
}

# Ends a saver that a failed check left behind, without disturbing the next test: its window
# can outlive the process for a moment inside Wine (killed or not), and a /s started then would
# take it for a running saver and leave at once.
cleanup_saver() {
    if [ -n "$SAVER_PID" ] && kill -0 "$SAVER_PID" 2>/dev/null; then
        kill -9 "$SAVER_PID" 2>/dev/null
        wait "$SAVER_PID" 2>/dev/null
    fi
    probe find --class WindowsScreenSaverClass --title "Screen Saver" --gone --wait-ms 30000 >/dev/null
    SAVER_PID=
}

# find_saver [MS]: waits for the full-screen saver window; prints "hwnd x y w h style exstyle pid".
find_saver() {
    probe find --class WindowsScreenSaverClass --title "Screen Saver" --wait-ms "${1:-30000}"
}
# saver_ready: the saver's window exists, is shown and has the keyboard focus, so that real input
# reaches it. Sets found to find_saver's line.
saver_ready() {
    found=$(find_saver)
    [ -n "$found" ] && wait_foreground WindowsScreenSaverClass 30
}

# The pointer moves relative to where it is, as the user's mouse would; returns once X has
# moved it.
move_pointer() {
    set -- "$1" "$2" $(xdotool getmouselocation | sed 's/[xy]://g' | cut -d' ' -f1-2)
    xdotool mousemove_relative -- "$1" "$2"
    wait_until 30 pointer_at $(($3 + $1)) $(($4 + $2))
}

screenshot() { xwd -root -silent | convert xwd:- "$1"; }
# grab FILE.xwd: a quick raw screenshot, to be looked at later (shot_stats.py reads it).
grab() { xwd -root -silent >"$1"; }
# same_picture A B: the two images have the same pixels (PNG metadata aside).
same_picture() {
    [ "$(convert "$1" -strip ppm:- | md5sum)" = "$(convert "$2" -strip ppm:- | md5sum)" ]
}

# set_password_switch 0|1: the user's "password protected" setting.
set_password_switch() {
    wine reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1
}

# refusing_password: the password switch on (off again when the script ends) and the test's
# component refusing every try, logging to $log; `asked` counts its refusals.
refusing_password() {
    log=$WORK/pwd.log
    export TEKUTEKU_PWD_LOG TEKUTEKU_PWD_ANSWER_FILE
    TEKUTEKU_PWD_LOG=$(winpath "$log")
    TEKUTEKU_PWD_ANSWER_FILE=$(winpath "$WORK/answer")
    echo 0 >"$WORK/answer"
    : >"$log"
    trap 'set_password_switch 0' EXIT
    set_password_switch 1
}
asked() { grep -c '^VerifyScreenSavePwd end .* answer=0' "$log"; }

# The saver's section of control.ini as UTF-8 "key=value" lines.
read_settings() {
    iconv -f SHIFT_JIS -t UTF-8 <"$INI" | tr -d '\r' |
        awk '/^\[/ { on = ($0 == "[Screen Saver.てくてくポルッカ]") ; next } on && /=/'
}

# start_host ARGS...: preview_host.exe in the background, reporting to $WORK/host.out; sets
# HOST (its window) and HOST_PID. The window goes away when $WORK/quit exists.
start_host() {
    rm -f "$WORK/quit"
    : >"$WORK/host.out"
    wine "$HELPERS/preview_host.exe" --quit-file "$(winpath "$WORK/quit")" "$@" \
        >"$WORK/host.out" 2>/dev/null &
    HOST_PID=$!
    HOST=$(host_line host 30 | cut -d' ' -f2)
}
# host_line WORD SECONDS: waits up to SECONDS for preview_host's report line starting with WORD.
host_line() {
    wait_until "$2" has_host_line "$1" || return 1
    has_host_line "$1" && echo "$_host_line"
}
has_host_line() {
    _host_line=$(tr -d '\r' <"$WORK/host.out" 2>/dev/null | grep "^$1 " | head -1)
    [ -n "$_host_line" ]
}
# stop_host: destroys the host window and waits for preview_host to end.
stop_host() {
    touch "$WORK/quit"
    wait_until 30 host_gone
    kill -9 "$HOST_PID" 2>/dev/null
    wait "$HOST_PID" 2>/dev/null
}
host_gone() { ! kill -0 "$HOST_PID" 2>/dev/null; }
