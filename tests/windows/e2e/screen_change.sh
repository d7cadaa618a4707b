#!/bin/sh
# The screen grows and shrinks (RandR) while a password-protected saver runs: its window covers
# every new pixel at once, and clicks and keys in the new area reach nobody but the saver, whose
# refusing component is asked each time.
#
# A 32-bit Wine prefix never tells programs that the screen changed; a 64-bit prefix does, to
# 32-bit programs too. So this runs in a 64-bit prefix of its own whatever the build, on an X
# screen made 1600x1200 (Xvfb never grows past the size it starts with) and shrunk to 1024x768
# before the saver starts.
e2e_dir=$(cd "$(dirname "$0")" && pwd)
root=$e2e_dir/../../..
if [ -z "${TEKUTEKU_SCREEN_CHANGE:-}" ]; then
    if [ "${E2E_ARCH:-win32}" = win32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "this machine cannot run 32-bit programs: the 32-bit file's screen-change test is skipped"
        exit 77
    fi
    if ! command -v xrandr >/dev/null 2>&1; then
        echo "xrandr (package x11-xserver-utils) is missing: the screen-change test is skipped"
        exit 77
    fi
    exec env -u TEKUTEKU_WITH_WINE -u TEKUTEKU_USE_DISPLAY TEKUTEKU_SCREEN_CHANGE=1 \
        "$root/tools/with-wine" --arch win64 --screen 1600x1200 --prefix "$root/build/wine64-screens" \
        "$0" "$@"
fi
. "$e2e_dir/lib.sh"

# resize WxH: the X screen's new size, then Wine's word that it has it.
resize() {
    xrandr --output screen --mode "$1" --fb "$1" >/dev/null 2>&1
    wait_until 30 wine_sees "${1%x*}" "${1#*x}"
}
wine_sees() { probe screens | grep -q "virtual 0 0 $1 $2 primary $1 $2\$"; }
xrandr --newmode 1024x768 63.5 1024 1072 1176 1328 768 771 775 798 >/dev/null 2>&1
xrandr --addmode screen 1024x768 >/dev/null 2>&1
check "the screen starts at 1024x768 ($(probe screens))" resize 1024x768

make_app_dir PASSWORD.CPL
save_ini
write_settings 6 3 2 1
refusing_password
asked_at_least() { [ "$(asked)" -ge "$1" ]; }
covers() { [ "$(find_saver 0 | cut -d' ' -f2-5)" = "0 0 $1 $2" ]; }
# nonblack_in X0,Y0,X1,Y1 FILE: the non-black pixels of that area of a screenshot.
nonblack_in() { "$e2e_dir/shot_stats.py" "$2" --region "$1" | awk '/^region/ { print $6 }'; }

# A grey window where the screen will grow stands for the desktop beneath the saver.
start_host --size 500x380 --pos 1060,790 --timeout-ms 120000
park_pointer
start_saver /s
saver_ready || fail "the protected saver did not appear or get the focus"
check "the saver covers the 1024x768 screen" covers 1024 768
check "the screen grows to 1600x1200 while the saver runs" resize 1600x1200
check "at once the saver covers 1600x1200" wait_until 30 covers 1600 1200
# Walkers may cross into the new area: far fewer lit pixels than the grey window would show.
dark() {
    grab "$WORK/grown.xwd"
    [ "$(nonblack_in 1024,0,1600,1200 "$WORK/grown.xwd")" -lt 20000 ] &&
        [ "$(nonblack_in 0,768,1024,1200 "$WORK/grown.xwd")" -lt 20000 ]
}
check "the new area is dark, not the window beneath" wait_until 30 dark
check "the saver keeps the focus" wait_foreground WindowsScreenSaverClass 30
for what in click-new-area key-after-click; do
    calls=$(($(asked) + 1))
    case $what in
        click-new-area) probe cursor 1300 1000 >/dev/null; xdotool click 1 ;;
        key-after-click) xdotool key b ;;
    esac
    check "$what: the component is asked and refuses" wait_until 30 asked_at_least "$calls"
    check "$what: the saver still covers 1600x1200" covers 1600 1200
    check "$what: the foreground is the saver" is_foreground WindowsScreenSaverClass
    sleep 0.25  # past the 200 ms in which a new request is refused without asking
done

check "the screen shrinks back to 1024x768 while the saver runs" resize 1024x768
check "at once the saver fits 1024x768" wait_until 30 covers 1024 768
echo 1 >"$WORK/answer"
sleep 0.25
xdotool key a
check "an approved key ends it with status 0" ends_with 0 30
stop_host
set_password_switch 0
restore_ini
finish
