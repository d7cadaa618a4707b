#!/bin/sh
# A high-DPI screen: with the system at 192 DPI (200 %) the saver draws its figures at twice
# their size, each sprite pixel a 2 x 2 block of one colour (hard edges, no smoothing). The
# same run at 96 DPI first shows what the figures look like unscaled. The settings dialog
# offers as many walkers as the saver shows.
. "$(dirname "$0")/lib.sh"

prepare_fullscreen_run
desktop='HKCU\Control Panel\Desktop'
set_dpi() {
    if [ "$1" = 96 ]; then
        wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
    else
        wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    fi
}
trap 'set_dpi 96' EXIT
# One walker (the most 768 / 2 / 195 allows), at a steady pace, no scenes to speak of.
write_settings 3 1 2 1

# figures DPI: runs the saver at that DPI and collects up to three screenshots, each with one
# whole figure well inside the screen (waiting for them, up to 20 s); then a key ends it.
# Leaves "tallest widest uneven drawn" (the largest figure, and the block counts summed over
# the shots) in $SHOTS/result.$1.
figures() {
    dpi=$1
    set_dpi "$dpi"
    park_pointer
    start_saver /s
    saver_ready || { fail "at $dpi DPI the saver window did not appear or get the focus"; return 1; }
    shots=0 tries=0 tallest=0 widest=0 uneven=0 drawn=0
    while [ "$shots" -lt 3 ] && [ "$tries" -lt 100 ]; do
        tries=$((tries + 1))
        grab "$SHOTS/$dpi.xwd"
        "$e2e_dir/shot_stats.py" "$SHOTS/$dpi.xwd" --blocks 2 >"$SHOTS/$dpi.txt"
        # Exactly one figure, clear of the screen's edges, so it is seen whole.
        whole=$(awk -v w="$W" -v h="$H" '/^blob/ { n++; if ($2 > 8 && $3 > 8 && $4 < w - 8 && $5 < h - 8) ok++ }
                                    END { print (n == 1 && ok == 1) ? 1 : 0 }' "$SHOTS/$dpi.txt")
        if [ "$whole" = 1 ]; then
            shots=$((shots + 1))
            cp "$SHOTS/$dpi.xwd" "$SHOTS/$dpi-$shots.xwd"
            set -- $(awk '/^blob/ { print $5 - $3, $4 - $2 } /^blocks/ { print $3, $4 }' "$SHOTS/$dpi.txt")
            [ "$1" -gt "$tallest" ] && tallest=$1
            [ "$2" -gt "$widest" ] && widest=$2
            uneven=$((uneven + $3))
            drawn=$((drawn + $4))
        fi
        sleep 0.2
    done
    echo "$tallest $widest $uneven $drawn" >"$SHOTS/result.$dpi"
    check "at $dpi DPI three screenshots show a whole figure (after $tries tries)" [ "$shots" -eq 3 ]
    xdotool key a
    check "at $dpi DPI a key ends the saver with status 0" ends_with 0 30
    cleanup_saver
}

figures 96
read -r tall96 wide96 uneven96 drawn96 <"$SHOTS/result.96"
figures 192
read -r tall192 wide192 uneven192 drawn192 <"$SHOTS/result.192"
# The sheet's cells are 136 pixels high and day-dreams lift a figure by 24: taller than that
# can only be a figure drawn larger.
check "at 96 DPI the figures keep their own size (tallest $tall96 px, widest $wide96 px)" \
    [ "$tall96" -gt 0 -a "$tall96" -le 160 ]
check "at 96 DPI the art has single-pixel detail ($uneven96 of $drawn96 2x2 squares mixed)" \
    [ "$uneven96" -gt 0 ]
check "at 192 DPI the figures are drawn larger (tallest $tall192 px, widest $wide192 px; at 96 DPI $tall96 and $wide96)" \
    [ "$tall192" -gt 160 -a "$tall192" -ge $((tall96 * 3 / 2)) ]
check "at 192 DPI every sprite pixel is a 2x2 block of one colour ($uneven192 of $drawn192 mixed)" \
    [ "$drawn192" -gt 0 -a "$uneven192" -eq 0 ]
convert "$SHOTS/192-3.xwd" "$WORK/highdpi.png" 2>/dev/null

# The dialog: 3 typed as the count and OK stores 3 at 96 DPI (768 / 195), but 1 at 192 DPI,
# where the saver's stage is 384 pixels high.
for at in "96 3" "192 1"; do
    set -- $at
    set_dpi "$1"
    write_settings 3 1 2 1
    start_saver
    probe find --class '#32770' --title "てくてくポルッカの設定" --wait-ms 30000 >/dev/null
    wait_foreground '#32770' 30
    xdotool key Tab
    xdotool type 3
    xdotool key Return
    check "at $1 DPI the dialog ends with status 0" ends_with 0 30
    cleanup_saver
    stored=$(read_settings | sed -n 's/^Charactors=//p')
    check "at $1 DPI the dialog stores the count the saver shows ($stored, wanted $2)" [ "$stored" = "$2" ]
done

restore_ini
finish
