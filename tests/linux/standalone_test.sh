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

pass
