#!/bin/bash
# The saver as an XScreenSaver hack: drawing into a window someone else owns.
. "$(dirname "$0")/lib.sh"

start_xvfb 1024x768
SCREEN_PIXELS=$((1024 * 768))

# -window-id: walkers inside the window, nothing outside it.
open_window 600 420 100 80
# (The leak check at exit is the leak test's business; here it would only slow the end down.)
ASAN_OPTIONS=detect_leaks=0 start_saver --window-id "$WIN" --count 2 --speed 6 --seed 7
check "walkers appear in the window" until_coloured 100 80 600 420
sleep 0.3
look=$("$XHELPER" look 100 80 600 420)
check "the window is black but for the walkers ($look)" test "$(echo "$look" | awk '{print $4}')" = 0
check "two walkers in their bands" walkers 100 80 600 420 2
outside_white=$(( SCREEN_PIXELS - 600 * 420 ))
check "nothing outside the window" test "$(white 0 0 1024 768)" = "$outside_white"

# Growing the window: the stage becomes the new size, so the second band moves down past the
# old bottom edge.
helper_command resize 900 650
sleep 0.5
check "a walker below the old bottom edge" test "$(coloured 100 500 900 230)" -gt 0
check "two walkers in the bands of the new height" walkers 100 80 900 650 2
check "the grown window is black but for the walkers" \
    test "$(white 100 80 900 650)" = 0

# SIGTERM ends it at once, with status 0.
start=$(date +%s%N)
stop_saver
status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
check "SIGTERM: status 0 (got $status)" test "$status" = 0
check "SIGTERM: ended within 200 ms (took $elapsed_ms ms)" test "$elapsed_ms" -lt 200

# SIGINT likewise.
start_saver --window-id "$WIN" --speed 3
sleep 0.3
kill -INT "$SAVER"
check "SIGINT ends it" wait_exit "$SAVER" 2
check "SIGINT: status 0" test "$STATUS" = 0

# The window going away ends it, cleanly.
start_saver --window-id "$WIN" --speed 6 --count 3
sleep 0.5
check "running before the window goes" alive "$SAVER"
helper_command destroy
check "destroying the window ends it" wait_exit "$SAVER" 3
check "window gone: status 0 (got ${STATUS:-none})" test "${STATUS:-1}" = 0
close_window

# $XSCREENSAVER_WINDOW with -root, as the daemon runs hacks: the named window, not the root.
open_window 500 400 300 200
XSCREENSAVER_WINDOW=$WIN start_saver -root --speed 6 --count 2 --seed 3
check "walkers in the daemon's window" until_coloured 300 200 500 400
sleep 0.3
check "root left alone" test "$(white 0 0 1024 768)" = $(( SCREEN_PIXELS - 500 * 400 ))
stop_saver
close_window

# -root alone: the root window, blackened.
start_saver -root --speed 6 --count 3
check "walkers on the root window" until_coloured 0 0 1024 768
sleep 0.3
check "the root is black but for the walkers" test "$(white 0 0 1024 768)" = 0
check "three walkers over the whole screen" walkers 0 0 1024 768 3
stop_saver

# Sound asked for where there is no audio device: silence, not an error.
open_window 400 400 0 0
SDL_AUDIODRIVER=no-such-driver "$TEKUTEKU" --window-id "$WIN" --sound --speed 6 --event high --ticks 500 2>"$WORK/nodevice.err"
status=$?
check "no audio device: runs to the end with status 0 (got $status)" test "$status" = 0
check "no audio device: nothing said" test ! -s "$WORK/nodevice.err"
close_window

# A window that does not exist: a clear message and a failure status.
"$TEKUTEKU" --window-id 0x1234567 2>"$WORK/missing.err"
status=$?
check "missing window: status 1 (got $status)" test "$status" = 1
check "missing window: says so" grep -q "no window 0x1234567" "$WORK/missing.err"

# A 16-bit display: the pixels are converted to its format.
start_xvfb 640x480 16
start_saver -root --speed 6 --count 2 --seed 9
check "16-bit display: walkers appear" until_coloured 0 0 640 480
sleep 0.3
check "16-bit display: two walkers in their bands" walkers 0 0 640 480 2
stop_saver

pass
