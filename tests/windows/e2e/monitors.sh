#!/bin/sh
# Two monitors side by side (1024x768 primary, 800x600 to its right): the saver covers both,
# each shows its own walkers, a key or 5 pixels of pointer movement on either monitor ends it,
# and
# with a password in force no key, click, movement or close request ends it without the
# component's approval.
#
# Wine sees two monitors in a nested Xephyr with Xinerama (Xvfb's Xinerama puts both heads at
# 0,0). The pointer there moves only when a program moves it (xdotool's fake motion is lost),
# so pointer movements are made with SetCursorPos through saver_probe; keys go through xdotool.
# The nested display needs its own Wine prefix and server: a server keeps the display it started
# with.
e2e_dir=$(cd "$(dirname "$0")" && pwd)
root=$e2e_dir/../../..
if [ -z "${TEKUTEKU_MONITORS_DISPLAY:-}" ]; then
    if [ "${TEKUTEKU_WITH_WINE:-}" != 1 ]; then
        exec "$root/tools/with-wine" --arch "${E2E_ARCH:-win32}" "$0" "$@"
    fi
    if ! command -v Xephyr >/dev/null 2>&1; then
        echo "Xephyr (package xserver-xephyr) is missing: the two-monitor test is skipped"
        exit 77
    fi
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/monitors.XXXXXX")
    Xephyr -displayfd 3 -nolisten tcp +xinerama -extension RANDR -screen 1024x768 -screen 800x600 \
        3>"$tmp/display" >"$tmp/xephyr.log" 2>&1 &
    xephyr=$!
    end=$(($(date +%s) + 60))
    while ! grep -q '[0-9]' "$tmp/display" 2>/dev/null; do
        if ! kill -0 "$xephyr" 2>/dev/null || [ "$(date +%s)" -ge "$end" ]; then
            cat "$tmp/xephyr.log"; echo "Xephyr did not start"; exit 1
        fi
        sleep 0.1
    done
    nested=:$(tr -dc '0-9' <"$tmp/display")
    env -u TEKUTEKU_WITH_WINE TEKUTEKU_MONITORS_DISPLAY="$nested" TEKUTEKU_USE_DISPLAY=1 \
        DISPLAY="$nested" "$root/tools/with-wine" --prefix "$WINEPREFIX-monitors" --arch "$WINEARCH" "$0" "$@"
    status=$?
    kill "$xephyr" 2>/dev/null
    wait "$xephyr" 2>/dev/null
    rm -rf "$tmp"
    exit "$status"
fi
. "$e2e_dir/lib.sh"

make_app_dir PASSWORD.CPL
save_ini
set_password_switch 0
SHOTS=$WORK/shots
mkdir -p "$SHOTS"

# Three walkers on each monitor (768 / 195 and 600 / 195), fast, few scenes.
write_settings 6 3 2 1

screens=$(probe screens)
check "Wine sees two monitors ($screens)" \
    [ "$screens" = "monitors 2 virtual 0 0 1824 768 primary 1024 768" ]

# set_cursor X Y: puts the pointer there, as a program can, and again until it stays there: on a
# busy machine Wine can still be catching up with the move before and put it back.
set_cursor() {
    _sc_end=$(($(date +%s) + 30))
    probe cursor "$1" "$2" >/dev/null
    until wait_until 2 cursor_at "$1" "$2"; do
        [ "$(date +%s)" -ge "$_sc_end" ] && return 1
        probe cursor "$1" "$2" >/dev/null
    done
}
cursor_at() { [ "$(probe cursor)" = "$1 $2" ]; }
# The pointer where the test wants it before a saver window exists.
place_pointer() { set_cursor "$1" "$2"; }
# move_by DX DY: moves the pointer from where it is.
move_by() {
    set -- $(probe cursor) "$1" "$2"
    set_cursor $(($1 + $3)) $(($2 + $4))
}
start_fullscreen() {
    place_pointer "$1" "$2"
    start_saver /s
    # Keys typed with xdotool reach the focused window only.
    saver_ready || { fail "the saver window did not appear or get the focus"; return 1; }
}
# nonblack_in X0,Y0,X1,Y1 FILE: the non-black pixels of that area of a screenshot.
nonblack_in() { "$e2e_dir/shot_stats.py" "$2" --region "$1" | awk '/^region/ { print $6 }'; }
FIRST=0,0,1024,768
SECOND=1024,0,1824,600

# A grey window over both monitors stands for the desktop and its open documents.
start_host --size 1800x700 --pos 8,30 --timeout-ms 120000
screenshot "$SHOTS/desktop.png"
check "before the saver the desktop window shows on the second monitor ($(nonblack_in $SECOND "$SHOTS/desktop.png") pixels)" \
    [ "$(nonblack_in $SECOND "$SHOTS/desktop.png")" -gt 200000 ]

start_fullscreen 512 384 && {
    set -- $found
    check "the window covers both monitors ($2,$3 ${4}x$5)" [ "$2 $3 $4 $5" = "0 0 1824 768" ]
    # mostly_black FILE.txt: walkers cover far less than a quarter of either monitor.
    mostly_black() {
        awk '/^region 0 / && $6 > 1024 * 768 / 4 { bad = 1 } /^region 1024 / && $6 > 800 * 600 / 4 { bad = 1 }
             END { exit bad }' "$1"
    }
    # No screen shows the part of the window below the second monitor, and nothing here keeps
    # what is drawn there: the X server's picture of it and Wine's copy of the window both give
    # back leftover memory (marks repeating every 35 or 81 rows). The host tests check on a
    # window that is all on screen that nothing is drawn where no monitor is.
    # First the window's own black background covers both monitors (up to 10 s).
    tries=0
    while [ "$tries" -lt 50 ]; do
        tries=$((tries + 1))
        grab "$SHOTS/first.xwd"
        "$e2e_dir/shot_stats.py" "$SHOTS/first.xwd" --region $FIRST --region $SECOND >"$SHOTS/first.txt"
        mostly_black "$SHOTS/first.txt" && break
        sleep 0.2
    done
    check "both monitors go black (after $tries screenshots)" mostly_black "$SHOTS/first.txt"
    # Then watch until walkers have been seen on each monitor (up to 40 s), every screenshot
    # mostly black on both.
    # Watch for at least 5 s so that every band has been walked.
    seen_first=0 seen_second=0 grey=0 tries=0 pictured=0 watch_end=$(($(date +%s) + 5))
    while [ $((seen_first * seen_second * pictured)) -eq 0 ] || [ "$(date +%s)" -lt "$watch_end" ]; do
        [ "$tries" -lt 120 ] || break
        tries=$((tries + 1))
        grab "$SHOTS/run.xwd"
        "$e2e_dir/shot_stats.py" "$SHOTS/run.xwd" --region $FIRST --region $SECOND >"$SHOTS/run.txt"
        # A figure (a shape of a figure's size) lies on a monitor when its box starts there.
        figure='/^blob/ && $4 - $2 <= 200 && $5 - $3 <= 200'
        on_first=0 on_second=0
        awk "$figure"' && $2 < 1000 { found = 1 } END { exit !found }' "$SHOTS/run.txt" && on_first=1
        awk "$figure"' && $2 >= 1024 && $3 < 600 { found = 1 } END { exit !found }' "$SHOTS/run.txt" &&
            on_second=1
        [ "$on_first" = 1 ] && seen_first=1
        [ "$on_second" = 1 ] && seen_second=1
        # A picture for people to look at: one with walkers on both monitors, if there is one.
        if [ $((on_first * on_second)) -eq 1 ] && [ "$pictured" = 0 ]; then
            convert "$SHOTS/run.xwd" "$WORK/monitors.png" 2>/dev/null
            pictured=1
        fi
        mostly_black "$SHOTS/run.txt" || grey=$((grey + 1))
        sleep 0.3
    done
    check "every later screenshot is mostly black on both monitors ($grey of $tries not)" [ "$grey" -eq 0 ]
    check "walkers appear on the first monitor over the run" [ "$seen_first" = 1 ]
    check "walkers appear on the second monitor over the run ($tries screenshots)" [ "$seen_second" = 1 ]
    xdotool key a
    check "a key ends the saver with status 0" ends_with 0 30
    cleanup_saver
}

# The mouse rule on each monitor: 4 pixels do nothing, the fifth ends it.
for at in "512 384 first" "1400 300 second"; do
    set -- $at
    start_fullscreen "$1" "$2" && {
        move_by 2 0
        move_by 0 2
        check "4 pixels of movement on the $3 monitor keep the saver running" still_running 800
        move_by 1 0
        check "the fifth pixel on the $3 monitor ends it with status 0" ends_with 0 30
        cleanup_saver
    }
done

# A password in force: the refusing component is asked, and the saver stays on both monitors.
refusing_password
# wait_asked N: waits for the component to have refused N times.
wait_asked() { wait_until 30 asked_at_least "$1"; }
asked_at_least() { [ "$(asked)" -ge "$1" ]; }
start_fullscreen 1400 300 && {
    for what in "key" "click-second" "move-second" "move-first" "close"; do
        calls=$(($(asked) + 1))
        case $what in
            key) xdotool key a ;;
            click-second) xdotool click 1 ;;  # the pointer is on the second monitor
            move-second) move_by 10 0 ;;
            move-first) probe cursor 300 300 >/dev/null ;;
            close) send_close ;;
        esac
        check "with a password, $what: the component is asked and refuses" wait_asked "$calls"
        check "with a password, $what: the saver keeps running over both monitors" \
            [ "$(find_saver 0 | cut -d' ' -f2-5)" = "0 0 1824 768" ]
        sleep 0.25  # past the 200 ms in which a new request is refused without asking
    done
    echo 1 >"$WORK/answer"
    xdotool key a
    check "with a password, an approved key ends it with status 0" ends_with 0 30
    cleanup_saver
}
set_password_switch 0
stop_host

restore_ini
finish
