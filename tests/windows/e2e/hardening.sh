#!/bin/sh
# Attacks from other programs: a repeated initialise message, system commands that would
# uncover the desktop, a preview whose host is killed, decoy windows posing as a running saver,
# preview handles that are not a host's window, and a password component that crashes, aborts
# or throws. None of them may leave the saver running uncovered, growing, orphaned, kept away,
# or the system's running state on after it.
. "$(dirname "$0")/lib.sh"

make_app_dir PASSWORD.CPL
save_ini
set_password_switch 0
set -- $(screen_size)
W=$1 H=$2
write_settings 1 "$((H / 195))" 2 1

# grew_less_than KB BEFORE AFTER
grew_less_than() { [ -n "$2" ] && [ -n "$3" ] && [ "$3" -lt $(($2 + $1)) ]; }
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
# The Unix process of the saver in this prefix (not the preview host, whose command line names
# it too).
saver_unix_pid() {
    for d in /proc/[0-9]*; do
        if tr '\0' '\n' 2>/dev/null <"$d/cmdline" | grep -q 'tekuteku\.scr' &&
            ! tr '\0' '\n' 2>/dev/null <"$d/cmdline" | grep -q 'preview_host' &&
            tr '\0' '\n' 2>/dev/null <"$d/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "${d#/proc/}"; return 0
        fi
    done
    return 1
}
# wait_gone PID SECONDS: waits up to SECONDS for a process that is not our child to end.
wait_gone() { wait_until "$2" gone "$1"; }
gone() { ! kill -0 "$1" 2>/dev/null; }
# wait_running VALUE SECONDS: waits up to SECONDS for the system's running state to become VALUE.
wait_running() { wait_until "$2" running_is "$1"; }
running_is() { [ "$(probe running)" = "$1" ]; }
start_fullscreen() {
    park_pointer
    start_saver /s
    # Keys typed with xdotool reach the focused window only.
    saver_ready || { fail "the saver window did not appear or get the focus"; return 1; }
}
# Messages are sent, not posted, so that each has been handled when the sender returns and the
# check after it looks at the result, not at a queue still being worked through.
send() { wine "$HELPERS/send_close.exe" --send "$@" 2>/dev/null | tr -d '\r'; }

# A second initialise message builds nothing: 30 of them leave the memory where it was (each
# full set of drawing objects costs megabytes).
start_fullscreen && {
    # The first one (this or the saver's own, whichever comes first) builds everything.
    send --message 1034 >/dev/null
    before=$(rss "$SAVER_PID")
    results=$(send --message 1034 --count 30)
    after=$(rss "$SAVER_PID")
    check "30 initialise messages are all handled ($(echo "$results" | grep -c '^0$') answered)" \
        [ "$(echo "$results" | grep -c '^0$')" -eq 30 ]
    check "30 initialise messages leave the memory flat ($before kB -> $after kB)" \
        grew_less_than 1024 "$before" "$after"
    xdotool key a
    check "after them a key still ends the saver with status 0" ends_with 0 30
    cleanup_saver
}

# Minimise, maximise, restore, move and size (plain, and with the low bits the system adds for
# the keyboard and the mouse) are refused in full screen: the window stays where it was.
start_fullscreen && {
    for command in 0xF020 0xF030 0xF120 0xF010 0xF012 0xF000 0xF008; do
        result=$(send --message 0x0112 --wparam "$command")
        check "system command $command is refused at once (answer '$result')" [ "$result" = 0 ]
        set -- $(find_saver 0)
        # Neither minimised (WS_MINIMIZE) nor maximised (WS_MAXIMIZE).
        check "after $command the window still covers the screen ($2,$3 ${4}x$5, style $6)" \
            [ "$2 $3 $4 $5" = "0 0 $W $H" -a $(( $6 & 0x21000000 )) -eq 0 ]
    done
    check "the saver still runs after the system commands" still_running 0
    xdotool key a
    check "then a key ends it with status 0" ends_with 0 30
    cleanup_saver
}

# A preview whose host program is killed (its window disappears without being destroyed)
# ends by itself instead of staying for good.
scr_win=$(winpath "$APP/tekuteku.scr")
start_host --size 152x112 --launch "$scr_win" --tail "/p %u" --timeout-ms 60000
host_line child 30 >/dev/null
preview_pid=$(saver_unix_pid)
check "the preview runs in its host" [ -n "$preview_pid" ]
kill -9 "$HOST_PID" 2>/dev/null
wait "$HOST_PID" 2>/dev/null
check "with its host killed the preview ends by itself (within 30 s)" wait_gone "${preview_pid:-0}" 30

# Decoys of the saver's class and title, one hidden, one shown by a program that never answers
# and one shown, answering, 1x1 off screen: none keeps the saver, or its password, away.
set_password_switch 1
export TEKUTEKU_PWD_ANSWER=1 TEKUTEKU_PWD_LOG
TEKUTEKU_PWD_LOG=$(winpath "$WORK/decoy-pwd.log")
has_decoy() { grep -q '^decoy' "$WORK/decoy.out" 2>/dev/null; }
for kind in hidden hung small; do
    : >"$WORK/decoy.out"
    : >"$WORK/decoy-pwd.log"
    wine "$HELPERS/saver_probe.exe" decoy "$kind" 120000 >"$WORK/decoy.out" 2>/dev/null &
    decoy=$!
    wait_until 30 has_decoy
    park_pointer
    start_saver /s
    # The decoy is a window of the same class and title too: the focus tells them apart.
    check "with a $kind decoy the saver starts and takes the focus" wait_foreground WindowsScreenSaverClass 30
    check "with a $kind decoy the running state is on" wait_running 1 30
    xdotool key a
    check "with a $kind decoy a key asks the component, and its approval ends the saver" ends_with 0 30
    check "with a $kind decoy the component was asked" grep -q 'answer=1' "$WORK/decoy-pwd.log"
    cleanup_saver
    kill -9 "$decoy" 2>/dev/null
    wait "$decoy" 2>/dev/null
done
unset TEKUTEKU_PWD_ANSWER TEKUTEKU_PWD_LOG
set_password_switch 0

# Preview handles that are no host's window: a real window's handle plus 2^32 (which must not
# wrap to it) and the desktop window. Both are refused at once with -1 (status 255).
start_host --size 152x112 --timeout-ms 60000
desktop=$(probe desktop)
for tail in "/p $((HOST + 4294967296))" "/p $desktop"; do
    start_saver $tail
    check "'$tail' is refused at once with status 255" ends_with 255 30
    cleanup_saver
done
stop_host

# A password component that crashes: the system's crash handler (Wine's debugger here, without
# its dialog) ends the process from inside its own filter, and the running state must already
# be off by then.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
trap 'set_password_switch 0' EXIT
set_password_switch 1
export TEKUTEKU_PWD_FAULT=1
start_fullscreen && {
    check "with a password the running state is on" wait_running 1 30
    xdotool key a
    check "the crashing component ends the saver within 30 s" wait_saver_exit 60
    check "the running state is off after the crash" wait_running 0 30
    cleanup_saver
}

# A component that calls abort(), or lets a C++ exception escape: the process ends through its
# runtime, its own (msvcrt) or another (msvcr100), and the running state goes off all the same.
for fault in "2 aborting msvcrt" "3 throwing msvcrt" "2 aborting msvcr100" "3 throwing msvcr100"; do
    set -- $fault
    TEKUTEKU_PWD_FAULT=$1
    make_app_dir
    if [ "$3" = msvcr100 ]; then cp "$DOUBLES/msvcr100/PASSWORD.CPL" "$APP/"; else cp "$DOUBLES/PASSWORD.CPL" "$APP/"; fi
    start_fullscreen && {
        check "with the $2 $3 component the running state is on" wait_running 1 30
        xdotool key a
        check "the $2 $3 component ends the saver within 30 s" wait_saver_exit 60
        check "the running state is off after the $2 $3 component" wait_running 0 30
        cleanup_saver
    }
done
unset TEKUTEKU_PWD_FAULT
set_password_switch 0

restore_ini
finish
