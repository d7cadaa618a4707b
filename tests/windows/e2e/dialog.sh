#!/bin/sh
# The settings dialog driven with the real keyboard, and a saver run with what it stored.
. "$(dirname "$0")/lib.sh"

DIALOG_TITLE="てくてくポルッカの設定"
make_app_dir
save_ini
rm -f "$INI"
set_password_switch 0
park_pointer
set -- $(screen_size)
W=$1 H=$2
scr_win=$(winpath "$APP/tekuteku.scr")
SHOTS=$WORK/shots
mkdir -p "$SHOTS"

# Without an owner the dialog opens at the top-left corner of the screen, not centred.
start_saver
found=$(probe find --class '#32770' --title "$DIALOG_TITLE" --wait-ms 30000)
set -- $found
check "the dialog without owner opens at 0,0 (got ${2:-?},${3:-?})" [ "${2:-} ${3:-}" = "0 0" ]
wait_foreground '#32770' 30
xdotool key Escape
check "Escape ends it with status 0" ends_with 0 30
cleanup_saver

# /c: owned by the foreground window, at the origin of its client area.
start_host --size 300x200 --pos 150,120 --launch "$scr_win" --tail "/c"
dialog=$(host_line dialog 30)
set -- $dialog
check "/c opens a dialog owned by the foreground window" [ -n "$dialog" ]
# Placed by its template at 0,0 of the owner's client area, not centred: the dialog's client
# area starts where the owner's does.
check "the dialog is placed at the owner's client origin (${9:-?},${10:-?} vs ${7:-?},${8:-?})" \
    [ -n "$dialog" -a "${9:-} ${10:-}" = "${7:-} ${8:-}" ]
wait_foreground '#32770' 30
screenshot "$WORK/dialog.png"
# Keyboard: the speed bar has the focus (4 → 5), Tab to the count (2), Tab to "高い", Tab to
# "普通", Tab to "低い" and Space to choose it, Enter for OK.
xdotool key Right
sleep 0.1
xdotool key Tab
xdotool type 2
xdotool key Tab Tab Tab space
sleep 0.2
xdotool key Return
host_line saver-exit 30 >/dev/null
stop_host
exit_line=$(tr -d '\r' <"$WORK/host.out" | grep '^saver-' | head -1)
check "OK ends the dialog with status 0 ($exit_line)" [ "$exit_line" = "saver-exit 0" ]
check "control.ini holds the section in Shift-JIS" \
    grep -q "$(printf '[Screen Saver.てくてくポルッカ]' | iconv -f UTF-8 -t SHIFT_JIS)" "$INI"
stored=$(read_settings | tr '\n' ' ')
check "OK stored the four keys in order (got: $stored)" \
    [ "$stored" = "Speed=5 Charactors=2 Event=2 SE=1 " ]

# Cancel after changes leaves the file as it was.
cp "$INI" "$WORK/before.ini"
start_host --size 300x200 --launch "$scr_win" --tail "/c"
host_line dialog 30 >/dev/null
wait_foreground '#32770' 30
xdotool key Left Left Tab
xdotool type 1
xdotool key Escape
host_line saver-exit 30 >/dev/null
stop_host
check "Cancel writes nothing" cmp -s "$INI" "$WORK/before.ini"

# A full-screen run with those settings: two walkers, one per half of the screen, moving at
# speed level 5 (40 ms a tick: 400 pixels a second; the default level 1 would give under 100).
park_pointer
start_saver /s
saver_ready
# Walkers are on the screen (the window starts all black).
drawn() { grab "$SHOTS/run0.xwd"; "$e2e_dir/shot_stats.py" "$SHOTS/run0.xwd" | grep -q '^blob'; }
wait_until 30 drawn
# Quick raw shots first, figures afterwards, so the shots are close together in time.
for i in 1 2 3 4 5 6 7 8; do
    date +%s.%N >"$SHOTS/run$i.time"
    grab "$SHOTS/run$i.xwd"
    sleep 0.1
done
most=0
: >"$SHOTS/track.txt"
for i in 1 2 3 4 5 6 7 8; do
    "$e2e_dir/shot_stats.py" "$SHOTS/run$i.xwd" >"$SHOTS/run$i.txt"
    blobs=$(grep -c '^blob' "$SHOTS/run$i.txt")
    [ "$blobs" -gt "$most" ] && most=$blobs
    awk -v t="$(cat "$SHOTS/run$i.time")" -v i="$i" -v band=$((H / 2)) '/^blob/ {
        print i, t, int(($3 + $5) / 2 / band), ($2 + $4) / 2 }' "$SHOTS/run$i.txt" >>"$SHOTS/track.txt"
done
check "the saver shows the stored number of walkers (2, saw up to $most)" [ "$most" -eq 2 ]
# Fastest walker speed between consecutive shots, per band.
# A jump of more than 300 pixels is a walker turning about at an edge, not a step.
fastest=$(awk '{ if (($3 in x) && $1 == n[$3] + 1) { d = $4 - x[$3]; if (d < 0) d = -d;
                   v = d / ($2 - t[$3]); if (d <= 300 && v > best) best = v }
                 x[$3] = $4; t[$3] = $2; n[$3] = $1 }
               END { printf "%d\n", best }' "$SHOTS/track.txt")
check "walkers move at the stored speed (fastest $fastest px/s, expected about 400)" \
    [ "$fastest" -ge 250 -a "$fastest" -le 700 ]
xdotool key a
check "the run ends with status 0" ends_with 0 30
cleanup_saver

restore_ini
finish
