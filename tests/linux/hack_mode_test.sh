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
check "the window is black but for the walkers" eventually 20 all_black 100 80 600 420
check "two walkers in their bands" walkers 100 80 600 420 2
progressed 100 80 600 420
outside_white=$(( SCREEN_PIXELS - 600 * 420 ))
check "nothing outside the window" white_is 0 0 1024 768 "$outside_white"

# Growing the window: the stage becomes the new size, so the second band moves down past the
# old bottom edge.
# (How soon the saver notices depends on the machine's load: wait for it.)
helper_command resize 900 650
check "a walker below the old bottom edge" eventually 20 has_colour 100 500 900 230
check "two walkers in the bands of the new height" walkers 100 80 900 650 2
check "the grown window is black but for the walkers" eventually 20 all_black 100 80 900 650

# SIGTERM ends it at once: it dies of the signal, as XScreenSaver expects of a hack that
# ended normally.
start=$(date +%s%N)
stop_saver
status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
check "SIGTERM: died of the signal (status $status)" test "$status" = 143
check "SIGTERM: ended within $END_LIMIT_MS ms (took $elapsed_ms ms)" test "$elapsed_ms" -lt "$END_LIMIT_MS"

# SIGINT likewise, once it is running.
start_saver --window-id "$WIN" --speed 3
until_coloured 100 80 900 650
kill -INT "$SAVER"
check "SIGINT ends it" wait_exit "$SAVER" 5
check "SIGINT: died of the signal (status ${STATUS:-none})" test "${STATUS:-0}" = 130

# The window going away ends it, cleanly.
start_saver --window-id "$WIN" --speed 6 --count 3
check "running before the window goes" until_coloured 100 80 900 650
check "still running" alive "$SAVER"
helper_command destroy
check "destroying the window ends it" wait_exit "$SAVER" 10
check "window gone: status 0 (got ${STATUS:-none})" test "${STATUS:-1}" = 0
close_window

# $XSCREENSAVER_WINDOW with -root, as the daemon runs hacks: the named window, not the root.
open_window 500 400 300 200
XSCREENSAVER_WINDOW=$WIN start_saver -root --speed 6 --count 2 --seed 3
check "walkers in the daemon's window" until_coloured 300 200 500 400
progressed 300 200 500 400
check "root left alone" white_is 0 0 1024 768 $(( SCREEN_PIXELS - 500 * 400 ))
stop_saver
close_window

# The settings app's preview: the saved command line (--root) with --window-id added, with a
# window in the environment too (one that does not exist: using it would end the saver). The
# preview window wins over both.
open_window 320 240 10 10
XSCREENSAVER_WINDOW=0x1234567 start_saver --root --count 1 --speed 6 --window-id "$WIN"
check "preview line: walkers in the preview window" until_coloured 10 10 320 240
progressed 10 10 320 240
check "preview line: still running" alive "$SAVER"
check "preview line: the root left alone" white_is 0 0 1024 768 $(( SCREEN_PIXELS - 320 * 240 ))
stop_saver
close_window

# -root alone: the root window, blackened.
start_saver -root --speed 6 --count 3
check "walkers on the root window" until_coloured 0 0 1024 768
check "the root is black but for the walkers" eventually 20 all_black 0 0 1024 768
check "three walkers over the whole screen" walkers 0 0 1024 768 3
stop_saver

# Sound asked for where there is no audio device: silence, not an error, and not a word on
# stderr (the daemon's log). ALSA without a sound card is the usual case on a server; a
# machine that has a card proves less here, but still must not print anything.
open_window 400 400 0 0
for driver in no-such-driver alsa default; do
    if [ "$driver" = default ]; then unset SDL_AUDIODRIVER; else export SDL_AUDIODRIVER=$driver; fi
    "$TEKUTEKU" --window-id "$WIN" --sound --speed 6 --event high --ticks 300 \
        2>"$WORK/nodevice.err"
    status=$?
    check "no audio device ('$driver'): runs to the end with status 0 (got $status)" test "$status" = 0
    check "no audio device ('$driver'): nothing said" test ! -s "$WORK/nodevice.err"
    [ -s "$WORK/nodevice.err" ] && head -3 "$WORK/nodevice.err" >&2
done
unset SDL_AUDIODRIVER
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
check "16-bit display: two walkers in their bands" walkers 0 0 640 480 2
stop_saver

pass
