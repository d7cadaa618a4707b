#!/bin/bash
# Some thousands of ticks with nothing left behind: under AddressSanitizer's leak checker when the
# build has it, otherwise under valgrind.
. "$(dirname "$0")/lib.sh"

start_xvfb 1024x768
open_window 900 700 50 30

VALGRIND="valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect --error-exitcode=3 --suppressions=$HERE/valgrind.supp"

# run_checked ARGS...: one run to its natural end; fails on leaks or memory errors.
run_checked() {
    if [ "$SANITIZED" = 1 ]; then
        ASAN_OPTIONS=detect_leaks=1:exitcode=3 "$TEKUTEKU" "$@" 2>"$WORK/check.log"
    else
        $VALGRIND "$TEKUTEKU" "$@" 2>"$WORK/check.log"
    fi
    local status=$?
    [ "$status" = 0 ] || cat "$WORK/check.log" >&2
    return $status
}

if [ "$SANITIZED" != 1 ] && ! command -v valgrind >/dev/null; then
    echo "neither an AddressSanitizer build nor valgrind: skipped"
    exit 77
fi

# (Speed 6 ticks every 10 ms: these runs take tens of seconds even before valgrind.)
check "1500 ticks of 3 walkers in a window, nothing leaked" \
    run_checked --window-id "$WIN" --speed 6 --count 3 --event high --ticks 1500
exec 7>&"${HELPER[1]}"  # coprocess descriptors do not reach subshells
(progressed 50 30 900 700 10; echo "resize 600 500" >&7) &  # once the run has drawn a while
resizer=$!
check "800 ticks around a resize, nothing leaked" \
    run_checked --window-id "$WIN" --speed 6 --count 3 --ticks 800
wait $resizer
exec 7>&-
# Sound on, played by SDL's dummy driver (which swallows samples at the real rate), with scenes
# often so that sounds cut each other off.
run_with_sound() {
    SDL_AUDIODRIVER=dummy run_checked --window-id "$WIN" --speed 6 --count 3 --event high --sound \
        --ticks 1000
}
check "sounds through SDL for 1000 ticks, nothing leaked" run_with_sound
xdotool mousemove 10 10
check "a full-screen window of its own, nothing leaked" \
    run_checked --fullscreen --speed 6 --count 3 --ticks 500

# Ending on SIGTERM releases everything as well, before the saver dies of the signal. Death by
# a signal leaves no exit status to carry the verdict, so it is read from the checker's report.
if [ "$SANITIZED" = 1 ]; then
    ASAN_OPTIONS=detect_leaks=1:exitcode=3 "$TEKUTEKU" --window-id "$WIN" --speed 6 2>"$WORK/term.log" &
else
    ${VALGRIND/--quiet/} "$TEKUTEKU" --window-id "$WIN" --speed 6 2>"$WORK/term.log" &
fi
pid=$!
PIDS="$PIDS $pid"
until_coloured 50 30 600 500 || fail "SIGTERM run: no walkers"
progressed 50 30 600 500 || fail "SIGTERM run: no progress"
kill -TERM $pid
wait $pid
status=$?
verdict_ok() {
    if [ "$SANITIZED" = 1 ]; then ! grep -q "LeakSanitizer\|AddressSanitizer" "$WORK/term.log"
    else grep -q "ERROR SUMMARY: 0 errors" "$WORK/term.log"; fi
}
check "ended by SIGTERM: died of the signal (status $status)" test "$status" = 143
check "ended by SIGTERM: nothing leaked" verdict_ok
verdict_ok || cat "$WORK/term.log" >&2

close_window
pass
