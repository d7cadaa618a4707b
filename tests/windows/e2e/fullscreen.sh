#!/bin/sh
# Full-screen saving with real X input: the picture, the mouse rule, keys and clicks, and only
# one saver at a time.
. "$(dirname "$0")/lib.sh"

prepare_fullscreen_run

# start_fullscreen: a parked pointer, a saver, and its window found.
start_fullscreen() {
    park_pointer
    start_saver /s
    # Input reaches the saver once X has mapped and focused its window.
    saver_ready || { fail "the saver window did not appear or get the focus"; return 1; }
}

# The window: full screen, top-most popup.
limit=$((H / 195))
write_settings 1 "$limit" 2 1
start_fullscreen
set -- $found
check "window covers the screen ($2,$3 ${4}x$5)" [ "$2 $3 $4 $5" = "0 0 $W $H" ]
check "window style is a visible popup (style $6)" [ $(( $6 & 0xFFFF0000 )) -eq $(( 0x96000000 )) ]
check "window is top-most (extended style $7)" [ $(( $7 & 8 )) -eq 8 ]

# The picture: walkers on black, each in her own band, at most one per band. Four screenshots
# taken once walkers are drawn (the window starts all black), well apart.
band=$((H / limit))
most=0
bad=0
drawn() { grab "$SHOTS/walk$1.xwd"; "$e2e_dir/shot_stats.py" "$SHOTS/walk$1.xwd" >"$SHOTS/walk$1.txt"; grep -q '^blob' "$SHOTS/walk$1.txt"; }
wait_until 30 drawn 1
for i in 2 3 4; do
    sleep 0.6
    grab "$SHOTS/walk$i.xwd"
done
for i in 1 2 3 4; do
    "$e2e_dir/shot_stats.py" "$SHOTS/walk$i.xwd" >"$SHOTS/walk$i.txt"
    blobs=$(grep -c '^blob' "$SHOTS/walk$i.txt")
    [ "$blobs" -gt "$most" ] && most=$blobs
    nonblack=$(awk '/^nonblack/ { print $2 }' "$SHOTS/walk$i.txt")
    # Mostly black: the walkers together cover well under a quarter of the screen.
    [ "$nonblack" -gt 0 ] && [ "$nonblack" -lt $((W * H / 4)) ] || bad=$((bad + 1))
    # Each figure lies within one band, and no band holds two.
    awk -v band="$band" '/^blob/ {
            # A figure belongs to the band of its middle and stays within it (a day-dream
            # lifts the sprite 24 pixels, which may reach over the top by a few).
            b = int(($3 + $5) / 2 / band)
            if ($3 < b * band - 24 || $5 > (b + 1) * band || used[b]++) exit 1
        }' "$SHOTS/walk$i.txt" || bad=$((bad + 1))
done
check "screenshots show walkers on black, one per band ($limit bands, up to $most seen)" \
    [ "$bad" -eq 0 -a "$most" -eq "$limit" ]
convert "$SHOTS/walk4.xwd" "$WORK/fullscreen.png"

# Mouse: 4 pixels in total (2 right, 2 down) do nothing; one more pixel closes with status 0.
# That the fifth pixel ends it shows that the first four did arrive.
move_pointer 2 0
move_pointer 0 2
check "a 4-pixel mouse movement keeps the saver running" still_running 800
move_pointer 1 0
check "small movements add up: the fifth pixel ends it with status 0" ends_with 0 30
cleanup_saver

start_fullscreen && {
    move_pointer 5 0
    check "a 5-pixel mouse movement ends the saver with status 0" ends_with 0 30
    cleanup_saver
}
start_fullscreen && {
    move_pointer -3 -2
    check "5 pixels up and left end it with status 0" ends_with 0 30
    cleanup_saver
}
start_fullscreen && {
    xdotool key space
    check "a key press ends the saver with status 0" ends_with 0 30
    cleanup_saver
}
for button in 1 2 3; do
    start_fullscreen && {
        xdotool click "$button"
        check "a click of button $button ends the saver with status 0" ends_with 0 30
        cleanup_saver
    }
done

# One saver at a time: a second /s returns 0 at once and the first goes on.
start_fullscreen && {
    first=$(echo "$found" | cut -d' ' -f1)
    timeout 20 wine "$APP/tekuteku.scr" /s >/dev/null 2>&1
    status=$?
    check "a second /s exits with 0 (got $status)" [ "$status" -eq 0 ]
    again=$(find_saver 0 | cut -d' ' -f1)
    check "the first saver keeps running with its window" \
        [ "$again" = "$first" -a -n "$SAVER_PID" ]
    check "the first saver process is alive" still_running 300
    xdotool key Escape
    check "the first saver then ends with status 0" ends_with 0 30
    cleanup_saver
}

# A WM_CLOSE from another program ends an unprotected saver.
start_fullscreen && {
    send_close
    check "WM_CLOSE from another process ends it with status 0" ends_with 0 30
    cleanup_saver
}
check "the running state stays off without a password (got $(probe running))" [ "$(probe running)" = 0 ]

restore_ini
finish
