#!/bin/sh
# The trace tool's contract: its output format, its determinism and its answer to bad arguments.
set -u
trace="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

"$trace" --seed 1 --width 640 --height 480 --count 2 --odds 10 --steps 3 --blits > "$tmp/out" || fail "valid run failed"
cat > "$tmp/expected" <<'END'
step 0
walker 0 640 48 641 49 -16 6 7 8 207 1
walker 1 640 299 641 300 -16 6 7 8 207 1
step 1
blit 752 48 16 136 704 636
blit 624 48 128 136 896 136
blit 752 299 16 136 704 636
blit 624 299 128 136 896 136
walker 0 624 48 624 48 -16 207 0 8 207 1
walker 1 624 299 624 299 -16 207 0 8 207 1
step 2
blit 736 48 16 136 704 636
blit 608 48 128 136 768 136
blit 736 299 16 136 704 636
blit 608 299 128 136 768 136
walker 0 608 48 608 48 -16 208 1 8 207 1
walker 1 608 299 608 299 -16 208 1 8 207 1
step 3
blit 720 48 16 136 704 636
blit 592 48 128 136 640 136
blit 720 299 16 136 704 636
blit 592 299 128 136 640 136
walker 0 592 48 592 48 -16 209 2 8 207 1
walker 1 592 299 592 299 -16 209 2 8 207 1
END
# Seed 1: the first draws are 41 (41 % 10 = 1: walk left) and 18467 (18467 % 42 = 29: row 48).
diff -u "$tmp/expected" "$tmp/out" || fail "seed 1 trace differs"

# Every line of a long run has its documented shape; cues appear and the run is repeatable.
"$trace" --seed 7 --width 1024 --height 768 --count 3 --odds 10 --steps 3000 > "$tmp/a" || fail "long run"
"$trace" --steps 3000 --odds 10 --count 3 --height 768 --width 1024 --seed 7 > "$tmp/b" || fail "options in any order"
cmp -s "$tmp/a" "$tmp/b" || fail "same seed, different trace"
bad=$(grep -Evc '^(step [0-9]+|walker [0-9]( -?[0-9]+){10}|cue 20[012])$' "$tmp/a")
[ "$bad" = 0 ] || fail "$bad malformed lines"
for cue in 200 201 202; do grep -qx "cue $cue" "$tmp/a" || fail "cue $cue never seen"; done
[ "$(grep -c '^walker' "$tmp/a")" = $((3 * 3001)) ] || fail "walker line count"

# More than ten walkers run as ten.
[ "$("$trace" --seed 3 --width 800 --height 3000 --count 25 --odds 25 --steps 0 | grep -c '^walker')" = 10 ] || fail "count clamp"

# Bad arguments: usage on stderr, status 2, nothing on stdout.
for args in "" "--seed" "--seed x --width 1 --height 1 --count 1 --odds 1 --steps 1" \
    "--seed 1 --width 0 --height 1 --count 1 --odds 1 --steps 1" \
    "--seed -1 --width 1 --height 1 --count 1 --odds 1 --steps 1" \
    "--seed 4294967296 --width 1 --height 1 --count 1 --odds 1 --steps 1" \
    "--seed 1 --width 1 --height 1 --count 1 --odds 1" \
    "--seed 1 --seed 1 --width 1 --height 1 --count 1 --odds 1 --steps 1" \
    "--seed 1 --width 1 --height 1 --count 1 --odds 1 --steps 1 --frobnicate" \
    "--seed 1 --width 1 --height 1 --count 1 --odds 1 --steps 1x"; do
    # shellcheck disable=SC2086
    "$trace" $args > "$tmp/out" 2> "$tmp/err"
    status=$?
    [ "$status" = 2 ] || fail "'$args' gave status $status"
    grep -q '^usage: tekuteku-trace' "$tmp/err" || fail "'$args' printed no usage"
    [ ! -s "$tmp/out" ] || fail "'$args' wrote to stdout"
done
echo "trace CLI: ok"
