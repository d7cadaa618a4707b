#!/bin/bash
# control.ini and the options: the number of walkers on screen shows which value won.
. "$(dirname "$0")/lib.sh"

start_xvfb 1024x768   # room for 768 / 195 = 3 walkers

# run_count EXPECTED ARGS...: a full-screen run (or where ARGS say) shows EXPECTED walkers.
run_count() {
    local expected=$1
    shift
    [ $# -gt 0 ] && [ "$1" = -root ] || set -- --fullscreen "$@"
    start_saver --speed 6 --seed 11 "$@"
    walkers 0 0 1024 768 "$expected"
    local result=$?
    stop_saver
    return $result
}

write_ini() {  # write_ini DIR LINES...
    local dir=$1
    shift
    mkdir -p "$dir/tekuteku"
    { echo "[Screen Saver.てくてくポルッカ]"; printf '%s\n' "$@"; } >"$dir/tekuteku/control.ini"
}

export XDG_CONFIG_HOME=$WORK/config
write_ini "$XDG_CONFIG_HOME" "Charactors=2" "Speed=6"
check "control.ini's count: 2 walkers" run_count 2
check "--count over control.ini: 3 walkers" run_count 3 --count 3
# As XScreenSaver's hack, only the command line counts: the settings app cannot see the file.
check "-root: control.ini not read, the default of 1 walker" run_count 1 -root
check "-root --count 3: 3 walkers" run_count 3 -root --count 3
start=$(date +%s%N)
"$TEKUTEKU" -root --ticks 20 2>>"$WORK/saver.err"
took=$(( ($(date +%s%N) - start) / 1000000 ))
check "-root: the default speed, not Speed=6 from control.ini (20 ticks in $took ms)" \
    test "$took" -ge 3000
write_ini "$XDG_CONFIG_HOME" "Charactors=9"
check "a count above the screen's room is cut to 3" run_count 3
write_ini "$XDG_CONFIG_HOME" "Charactors=0"
check "a stored count of 0 gives 1 walker" run_count 1
write_ini "$XDG_CONFIG_HOME" "charactors = 2" "[Other]" "Charactors=3"
check "keys match whatever their case; other sections do not count" run_count 2

# Without XDG_CONFIG_HOME the file is under ~/.config.
unset XDG_CONFIG_HOME
export HOME=$WORK/home
write_ini "$HOME/.config" "Charactors=2"
check "~/.config/tekuteku/control.ini is read" run_count 2
HOME=$WORK/nowhere
check "without any control.ini: the default of 1 walker" run_count 1
export HOME=$WORK/home

# Speed: how many different pictures a run of quick looks sees. At speed 0 a tick comes every
# 200 ms, so looks spread over E ms can see at most E / 200 + 2 pictures (load only makes it
# fewer). Fast is shown by how soon a run of N ticks ends: at speed 6 (10 ms a tick) 60 ticks
# take 0.6 s, at speed 0 at least 12 s.
slow_looks_ok() {  # ten looks; true when they saw no more pictures than 200 ms ticks allow
    local start end elapsed distinct i
    start=$(date +%s%N)
    distinct=$(for i in $(seq 10); do "$XHELPER" look 0 0 1024 768; done | sort -u | wc -l)
    end=$(date +%s%N)
    elapsed=$(( (end - start) / 1000000 ))
    echo "  $distinct pictures in $elapsed ms"
    [ "$distinct" -le $(( elapsed / 200 + 2 )) ]
}
fast_run_ms() {  # ARGS...: milliseconds a full-screen run of 60 ticks took, once it drew
    local start
    start=$(date +%s%N)
    "$TEKUTEKU" --fullscreen --count 3 --seed 5 --ticks 60 "$@" 2>>"$WORK/saver.err"
    echo $(( ($(date +%s%N) - start) / 1000000 ))
}
write_ini "$HOME/.config" "Speed=0"
start_saver --fullscreen --count 3 --seed 5
until_coloured 0 0 1024 768
check "Speed=0 in control.ini: slow" slow_looks_ok
stop_saver
write_ini "$HOME/.config" "Speed=6"
took=$(fast_run_ms)
check "Speed=6 in control.ini: fast (60 ticks in $took ms, under the 12000 of speed 0)" \
    test "$took" -lt 12000
check "Speed=6: no faster than the 10 ms floor allows (60 ticks in $took ms)" test "$took" -ge 590
start_saver --fullscreen --count 3 --seed 5 --speed 0
until_coloured 0 0 1024 768
check "--speed 0 over Speed=6: slow" slow_looks_ok
stop_saver

# Bad options: a message and status 2, never a start.
for bad in "--speed 7" "--count 0" "--count 11" "--event often" "--window-id abc" "--bogus" \
           "--seed -1" "--window-id 12 --fullscreen"; do
    # shellcheck disable=SC2086
    "$TEKUTEKU" $bad >"$WORK/bad.out" 2>"$WORK/bad.err"
    status=$?
    check "'$bad': status 2 (got $status)" test "$status" = 2
    check "'$bad': a message" grep -q "^tekuteku: " "$WORK/bad.err"
done
"$TEKUTEKU" --help >"$WORK/help.out"
check "--help: status 0 and the options" grep -q -- "--window-id" "$WORK/help.out"

# A damaged control.ini: the defaults, not a crash.
mkdir -p "$HOME/.config/tekuteku"
head -c 3000 /dev/urandom >"$HOME/.config/tekuteku/control.ini"
check "a damaged control.ini still runs" run_count 1

# The settings window, driven from the keyboard as a user would (GTK on X11; XTEST keys reach it
# once it has the focus).
if env -u DISPLAY -u WAYLAND_DISPLAY "$TEKUTEKU" --settings 2>&1 | grep -q "built without"; then
    echo "this build has no settings window (no GTK 4): its checks are skipped"
    pass
fi
export GDK_BACKEND=x11 GTK_A11Y=none XDG_CONFIG_HOME=$WORK/window
INI=$XDG_CONFIG_HOME/tekuteku/control.ini
# The sanitizers' leak check would report GTK's and fontconfig's caches, which live until exit.
window_ready() {
    WIN=$(xdotool search --all --onlyvisible --pid "$SETTINGS" --name "てくてくポルッカの設定" 2>/dev/null | head -1)
    [ -n "$WIN" ] && xdotool windowfocus --sync "$WIN"
}
open_settings() {
    ASAN_OPTIONS=detect_leaks=0 "$TEKUTEKU" --settings 2>>"$WORK/window.err" &
    SETTINGS=$!
    PIDS="$PIDS $SETTINGS"
    eventually 30 window_ready
}
# press_until CONDITION KEY...: presses the keys, again while CONDITION does not follow.
press_until() {
    local condition=$1 try
    shift
    for try in 1 2 3 4 5; do
        xdotool key --delay 50 "$@"
        eventually 5 "$condition" && return 0
    done
    return 1
}
closed() { gone "$SETTINGS" && wait "$SETTINGS"; }

mkdir -p "$(dirname "$INI")"
printf '; kept\r\n[Other]\r\nSpeed = 2 ; and this\r\n\r\n' >"$INI"
cp "$INI" "$WORK/other"
open_settings
check "Enter in a fresh window ends it with status 0" press_until closed Return
printf '[Screen Saver.てくてくポルッカ]\r\nSpeed=4\r\nCharactors=1\r\nEvent=1\r\nSE=1\r\n' >>"$WORK/other"
check "OK wrote the four keys (the window's defaults) after the other section, kept byte for byte" \
    cmp "$INI" "$WORK/other"

open_settings
check "a count typed above the limit and Enter" press_until closed alt+n ctrl+a 9 Return
check "the count stored is the screen's limit of 3" grep -qx $'Charactors=3\r' "$INI"

cp "$INI" "$WORK/before"
open_settings
check "Escape closes the window" press_until closed Escape
check "Escape wrote nothing" cmp "$INI" "$WORK/before"

rm "$INI"
mkfifo "$INI"
open_settings
said_why() { grep -q "普通のファイルではない" "$WORK/window.err"; }
check "OK over a FIFO: a message, and the window stays" press_until said_why Return
check "then Escape still closes it" press_until closed Escape
check "the FIFO is still a FIFO" test -p "$INI"

pass
