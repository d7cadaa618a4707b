#!/bin/bash
# The saver in a window of its own: what ends it, and what does not.
. "$(dirname "$0")/lib.sh"

start_xvfb 1024x768

# start_full: a full-screen saver with the pointer resting at (500, 500) beforehand.
start_full() {
    xdotool mousemove 500 500
    start_saver --fullscreen --speed 6 --count 3 "$@"
    until_coloured 0 0 1024 768 || fail "full screen: no walkers"
    progressed 0 0 1024 768  # the window is up and has taken its reference point
}

# still_running: the saver has drawn on after the input sent so far, and is alive.
still_running() { progressed 0 0 1024 768 && alive "$SAVER"; }

# Mouse movement, summed as horizontal plus vertical distance: 4 pixels no, 5 yes.
start_full
xdotool mousemove 502 502
check "moving 2+2 pixels leaves it running" still_running
xdotool mousemove 503 502
check "moving 3+2 pixels ends it" wait_exit "$SAVER" 10
check "mouse: status 0" test "${STATUS:-1}" = 0

# Small moves add up.
start_full
for x in 501 502 503 504; do xdotool mousemove $x 500; progressed 0 0 1024 768 2; done
check "four 1-pixel moves leave it running" still_running
xdotool mousemove 505 500
check "the fifth ends it" wait_exit "$SAVER" 10

# A key.
start_full
xdotool key space
check "a key ends it" wait_exit "$SAVER" 10
check "key: status 0" test "${STATUS:-1}" = 0

# A click.
start_full
xdotool click 1
check "a click ends it" wait_exit "$SAVER" 10

# In a window, mouse movement alone does not end it; a click in it does, and so does
# closing the window.
xdotool mousemove 1000 760
start_saver --speed 6
until_coloured 0 0 1024 768 || fail "window: no walkers"
progressed 0 0 1024 768
xdotool mousemove 300 300
progressed 0 0 1024 768 2
xdotool mousemove 400 380
check "moving the mouse over a window leaves it running" still_running
xdotool click 1
check "a click in the window ends it" wait_exit "$SAVER" 10

start_saver --speed 6
until_coloured 0 0 1024 768 || fail "window: no walkers"
window=$(xdotool search --name '^tekuteku$' | head -1)
check "the window is found by its name" test -n "$window"
"$XHELPER" close "$window"
check "closing the window ends it" wait_exit "$SAVER" 10
check "close: status 0" test "${STATUS:-1}" = 0

# Two RandR monitors of different heights: full screen, each shows a picture of its own with
# as many walkers as its own height allows, and nothing is drawn where no monitor is.
xrandr --setmonitor left 600/160x768/200+0+0 screen >/dev/null &&
    xrandr --setmonitor right 424/110x500/130+600+0 none >/dev/null || fail "xrandr --setmonitor"
no_colour() { [ "$(coloured "$@")" = 0 ]; }
start_saver --fullscreen --speed 6 --count 3
check "monitor 1 (768 high): three walkers" walkers 0 0 600 768 3
check "monitor 2 (500 high): two walkers" walkers 600 0 424 500 2
check "no walker below monitor 2" no_colour 600 500 424 268
# Monitor 2 shrinks to 200 rows, the window keeps its size: its picture starts again inside it,
# and nothing stays lit below it, look after look. A monitor too large to be real is left out,
# with a word on stderr, and the others go on.
xrandr --delmonitor right >/dev/null && xrandr --setmonitor right 424/110x200/50+600+0 none >/dev/null ||
    fail "xrandr: shrink"
check "shrunk monitor 2 (200 high): one walker" walkers 600 0 424 200 1
dark_below() { progressed 600 0 424 200 2 && no_colour 600 200 424 568; }
for look in 1 2 3 4 5; do check "nothing lit below the shrunk monitor ($look)" dark_below; done
xrandr --setmonitor huge 20000/5000x100/30+0+700 none >/dev/null || fail "xrandr: huge"
said_huge() { grep -q "monitor .*20000x100.* left out" "$WORK/saver.err"; }
check "a monitor 20000 wide is left out, with a word" eventually 10 said_huge
check "monitor 1 still walks" walkers 0 0 600 768 3
xrandr --delmonitor huge >/dev/null
xdotool key space
check "a key ends it" wait_exit "$SAVER" 10

# Eighteen monitors, more than the pictures of old: none of them stays black.
xrandr --delmonitor left >/dev/null && xrandr --delmonitor right >/dev/null || fail "xrandr --delmonitor"
for i in $(seq 0 17); do xrandr --setmonitor "m$i" 56/15x768/200+$((i * 56))+0 none >/dev/null; done
start_saver --fullscreen --speed 6 --count 1
for i in $(seq 0 17); do check "monitor $((i + 1)) of 18: walkers" until_coloured $((i * 56)) 0 56 768; done
xdotool key space
check "a key ends it" wait_exit "$SAVER" 10
for i in $(seq 0 17); do xrandr --delmonitor "m$i" >/dev/null; done

# --idle 2: the full-screen saver after 2 s without input (MIT-SCREEN-SAVER's idle time); a key
# ends that showing, and after another 2 s it is back.
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
uncovered() { white_is 0 0 1024 768 $((1024 * 768)); }
xdotool mousemove 10 10
START=$(date +%s%N)
start_saver --idle 2 --speed 6 --count 2
check "--idle: walkers after idle time" until_coloured 0 0 1024 768
check "--idle: not before 2 s ($(ms_since "$START") ms)" test "$(ms_since "$START")" -ge 1900
progressed 0 0 1024 768
xdotool key space
KEY=$(date +%s%N)
check "--idle: a key ends the showing" eventually 10 uncovered
check "--idle: the program waits on" alive "$SAVER"
check "--idle: walkers again" until_coloured 0 0 1024 768
check "--idle: again not before 2 s after the key ($(ms_since "$KEY") ms)" test "$(ms_since "$KEY")" -ge 1900
stop_saver
check "--idle: SIGTERM ends it (143)" test $? = 143

# Inhibitors, on a session bus of this test's own where nobody else owns
# org.freedesktop.ScreenSaver: the idle saver serves it. A holder that stays on the bus keeps
# the saver away for two idle times and more; after UnInhibit, or the holder leaving the bus
# without it, the saver comes once a whole idle time has passed. Then gnome-session's own idle
# inhibitors (GNOME on Xorg), from a real gnome-session on a stand-in system bus.
# python3-dbus is Debian's, for Debian's python3.
if command -v dbus-daemon >/dev/null && command -v dbus-send >/dev/null &&
    /usr/bin/python3 -c 'import dbus' 2>/dev/null; then
    start_bus() {  # start_bus VARIABLE: a new bus, its address left in VARIABLE
        local lines
        lines=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null)
        PIDS="$PIDS ${lines##*$'\n'}"
        printf -v "$1" %s "${lines%%$'\n'*}"
    }
    start_bus DBUS_SESSION_BUS_ADDRESS
    export DBUS_SESSION_BUS_ADDRESS
    served() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.ScreenSaver | grep -q true; }
    # stays_uncovered SECONDS: no showing at any look for that long.
    stays_uncovered() { ! eventually "$1" bash -c "! white_is 0 0 1024 768 $((1024 * 768))"; }
    export -f white_is white; export XHELPER
    # The holder looks the name up as it starts, so the saver must serve it by then.
    start_saver --idle 2 --speed 6 --count 2
    check "inhibit: the saver serves org.freedesktop.ScreenSaver" eventually 20 served
    coproc HOLDER { /usr/bin/python3 -c '
import sys, dbus
saver = dbus.Interface(dbus.SessionBus().get_object("org.freedesktop.ScreenSaver",
    "/org/freedesktop/ScreenSaver"), "org.freedesktop.ScreenSaver")
for line in sys.stdin:
    if line.startswith("inhibit"): cookie = saver.Inhibit("film", "playing")
    else: saver.UnInhibit(cookie)
    print("ok", flush=True)'; }
    PIDS="$PIDS $HOLDER_PID"
    HOLDER_PROCESS=$HOLDER_PID
    replied() { local reply; read -r -t 20 reply <&"${HOLDER[0]}" && [ "$reply" = ok ]; }
    echo inhibit >&"${HOLDER[1]}"
    xdotool key space  # input, and the end of a showing that came first on a slow machine
    check "inhibit: held" replied
    check "inhibit: no showing for two idle times while held" stays_uncovered 5
    echo uninhibit >&"${HOLDER[1]}"
    check "uninhibit: answered" replied
    RELEASED=$(date +%s%N)
    check "uninhibit: walkers" until_coloured 0 0 1024 768
    check "uninhibit: not before a whole idle time ($(ms_since "$RELEASED") ms)" \
        test "$(ms_since "$RELEASED")" -ge 1900
    echo inhibit >&"${HOLDER[1]}"
    check "inhibit while showing: answered before the showing ends" replied
    xdotool key space
    check "inhibit again: no showing" stays_uncovered 5
    exec {HOLDER[1]}>&-  # the holder leaves without UnInhibit
    wait "$HOLDER_PROCESS"
    LEFT=$(date +%s%N)
    check "holder gone: walkers" until_coloured 0 0 1024 768
    check "holder gone: not before a whole idle time ($(ms_since "$LEFT") ms)" \
        test "$(ms_since "$LEFT")" -ge 1900
    stop_saver

    if command -v gnome-session-inhibit >/dev/null && [ -x /usr/libexec/gnome-session-binary ]; then
        mkdir -p "$WORK/share/gnome-session/sessions"
        printf '[GNOME Session]\nName=test\nRequiredComponents=\n' \
            >"$WORK/share/gnome-session/sessions/test.session"
        start_bus SYSTEM_BUS  # gnome-session looks for logind there, and goes on without
        DBUS_SYSTEM_BUS_ADDRESS=$SYSTEM_BUS XDG_DATA_DIRS=$WORK/share:/usr/share \
            /usr/libexec/gnome-session-binary --builtin --session=test >"$WORK/session.log" 2>&1 &
        PIDS="$PIDS $!"
        session_up() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.gnome.SessionManager | grep -q true; }
        check "gnome-session: up" eventually 20 session_up
        gnome-session-inhibit --inhibit idle --inhibit-only >/dev/null 2>&1 &
        INHIBITOR=$!
        PIDS="$PIDS $INHIBITOR"
        inhibited() { gnome-session-inhibit --list 2>/dev/null | grep -q idle; }
        check "gnome-session: an idle inhibitor" eventually 20 inhibited
        xdotool key space
        start_saver --idle 2 --speed 6 --count 2
        check "gnome-session's inhibitor: no showing for two idle times" stays_uncovered 5
        kill "$INHIBITOR"
        wait "$INHIBITOR"
        LEFT=$(date +%s%N)
        check "gnome-session's inhibitor gone: walkers" until_coloured 0 0 1024 768
        check "gnome-session's inhibitor gone: not before a whole idle time ($(ms_since "$LEFT") ms)" \
            test "$(ms_since "$LEFT")" -ge 1900
        stop_saver
    fi
else
    echo "dbus-daemon, dbus-send or python3-dbus missing: the inhibitor checks are skipped"
fi

pass
