#!/bin/sh
# tekuteku-render from the outside: bad command lines are refused with exit 2, a GIF and a PNG
# come out, and the GIF's last frame is the PNG of the same run.
set -u
render=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for args in "" "--out $dir/a.bmp" "--out $dir/a.gif --width 0" "--out $dir/a.gif --scale 5" \
            "--out $dir/a.gif --speed 7" "--out $dir/a.gif --count 0" "--out $dir/a.gif --count 11" "--out $dir/a.gif --steps" \
            "--out $dir/a.gif --seed -1" "--out $dir/a.gif --bogus 1" "--out $dir/a.gif --seed 1 --seed 2"; do
    # shellcheck disable=SC2086
    "$render" $args >/dev/null 2>"$dir/err"
    [ $? = 2 ] || fail "'$args' was not refused with exit 2"
    grep -q "^usage:" "$dir/err" || fail "'$args' printed no usage"
done

common="--seed 5 --width 320 --height 240 --count 1 --odds 3 --steps 60"
"$render" $common --scale 2 --out "$dir/run.gif" >/dev/null || fail "GIF run failed"
"$render" $common --scale 2 --out "$dir/run.png" >/dev/null || fail "PNG run failed"
[ "$(head -c 6 "$dir/run.gif")" = "GIF89a" ] || fail "not a GIF89a file"
head -c 8 "$dir/run.png" | od -An -c | grep -q "P   N   G" || fail "not a PNG file"
"$render" $common --every 7 --out "$dir/every.gif" | grep -q " 9 frames" || fail "--every 7 of 60 is not 9 frames"
# The saver's walker limit: at 389 pixels high only one fits, whatever is asked.
"$render" --seed 3 --height 389 --count 2 --odds 3 --steps 400 --out "$dir/two.png" >/dev/null &&
    "$render" --seed 3 --height 389 --count 1 --odds 3 --steps 400 --out "$dir/one.png" >/dev/null &&
    cmp -s "$dir/two.png" "$dir/one.png" || fail "2 walkers asked for at 389 pixels high: not the 1 the savers draw"

if command -v convert >/dev/null && command -v compare >/dev/null; then
    convert "$dir/run.gif" -coalesce "$dir/frame_%02d.png" || fail "GIF does not decode"
    [ -f "$dir/frame_59.png" ] || fail "GIF does not hold 60 frames"
    [ "$(identify -format '%wx%h' "$dir/frame_59.png")" = "640x480" ] || fail "scaled size is wrong"
    differing=$(compare -metric AE "$dir/frame_59.png" "$dir/run.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "last GIF frame differs from the PNG in $differing pixels"
fi
echo "render CLI: ok"
