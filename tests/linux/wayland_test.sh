#!/bin/bash
# The saver on Wayland, under a headless sway started here with two outputs of different sizes,
# one at scale 2: every output gets its own picture with walkers, crisp at whole device pixels;
# a key ends it; --idle starts it after the idle time and again after input ended it; an output
# added while it runs gets a picture too; the swayidle recipe works. Then the full-screen X saver under sway's XWayland, 20
# times: it must come up full screen every time.
# sway will not run as root, so it runs as an unprivileged user of its own; the programs under
# test run as that user too (XWayland admits only it).
# Usage: wayland_test.sh TEKUTEKU XHELPER SANITIZED VERSION
. "$(dirname "$0")/lib.sh"
VERSION=$4

check "--version names the project's version" test "$("$TEKUTEKU" --version)" = "tekuteku $VERSION"

USER_NAME=tekuteku-way
for tool in sway swaymsg grim wtype setpriv python3 Xwayland; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (tools/bootstrap installs it): skipped"; exit 77; }
done
if [ "$(id -u)" != 0 ]; then echo "not root, cannot act as $USER_NAME: skipped"; exit 77; fi
id "$USER_NAME" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$USER_NAME" ||
    { echo "FAIL: cannot create $USER_NAME"; exit 1; }

chmod 755 "$WORK"
RUNTIME=$WORK/runtime
mkdir -m 700 "$RUNTIME"
cp "$TEKUTEKU" "$WORK/tekuteku"
cp "$HERE/lsan.supp" "$WORK/lsan.supp"
cat >"$WORK/sway.conf" <<CONF
output HEADLESS-1 mode 1280x720 position 0 0
output HEADLESS-2 mode 800x600 position 1280 0 scale 2
exec sh -c 'echo "\$DISPLAY" >$RUNTIME/x-display'
CONF
chown -R "$USER_NAME" "$RUNTIME"
AS_USER=(setpriv --reuid="$USER_NAME" --regid="$(id -g "$USER_NAME")" --init-groups --
         env -i HOME=/nonexistent PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RUNTIME"
         LSAN_OPTIONS="suppressions=$WORK/lsan.supp:print_suppressions=0")
"${AS_USER[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
SWAY=$!
PIDS="$PIDS $SWAY"
sway_up() { WAYLAND_DISPLAY=$(cd "$RUNTIME" && ls wayland-? 2>/dev/null | head -1) && [ -n "$WAYLAND_DISPLAY" ] && [ -s "$RUNTIME/x-display" ]; }
eventually 30 sway_up || { cat "$WORK/sway.log" >&2; fail "sway did not start"; pass; }
export XDG_RUNTIME_DIR=$RUNTIME WAYLAND_DISPLAY
SWAYSOCK=$(ls "$RUNTIME"/sway-ipc.*.sock)
export SWAYSOCK
WAYLAND_USER=("${AS_USER[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY")

start_wayland() {
    "${WAYLAND_USER[@]}" "$WORK/tekuteku" "$@" 2>>"$WORK/saver.err" &
    SAVER=$!
    PIDS="$PIDS $SAVER"
}

# surfaces N: sway shows N full-screen saver surfaces.
surfaces() {
    swaymsg -t get_tree | python3 -c '
import json, sys
found = 0
def walk(n):
    global found
    if n.get("app_id") == "tekuteku" and n.get("fullscreen_mode") == 1: found += 1
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin))
sys.exit(0 if found == int(sys.argv[1]) else 1)' "$1"
}

# picture OUTPUT SCALE N: the output shows a saver picture: black but for N walkers, one in
# each band of the stage (the output's device pixels divided by SCALE), none below the last,
# and every stage pixel a uniform SCALE x SCALE block.
picture_now() {
    grim -t ppm -o "$1" "$WORK/shot.ppm" 2>/dev/null || return 1
    python3 - "$WORK/shot.ppm" "$2" "$3" >"$WORK/picture.out" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
scale, n = int(sys.argv[2]), int(sys.argv[3])
fields, pos = [], 0
while len(fields) < 4:  # P6 W H MAX, blank separated
    while data[pos:pos + 1].isspace(): pos += 1
    end = pos
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[pos:end]); pos = end
pos += 1
w, h = int(fields[1]), int(fields[2])
px = data[pos:pos + w * h * 3]
def at(x, y): return px[(y * w + x) * 3:(y * w + x) * 3 + 3]
black = bytes(3)
coloured_rows = [px[y * w * 3:(y + 1) * w * 3].count(0) != w * 3 for y in range(h)]
samples = range(0, w * h, 97)
black_share = sum(1 for i in samples if px[i * 3:i * 3 + 3] == black) / len(samples)
problems = []
if black_share < 0.7: problems.append("only %.0f%% black: not covered" % (black_share * 100))
stage_h = h // scale
band = stage_h // n
for i in range(n):
    if not any(coloured_rows[y] for y in range(i * band * scale, (i + 1) * band * scale)):
        problems.append("band %d is empty" % i)
if any(coloured_rows[n * band * scale:]): problems.append("colour below the last band")
if scale > 1:
    for y in range(0, h - scale + 1, scale):
        if not coloured_rows[y]: continue
        for x in range(0, w - scale + 1, scale):
            c = at(x, y)
            if any(at(x + dx, y + dy) != c for dx in range(scale) for dy in range(scale)):
                problems.append("stage pixel at %d,%d is not a uniform block" % (x, y)); break
        if len(problems) > 3: break
print("; ".join(problems) if problems else "ok")
sys.exit(1 if problems else 0)
PY
}
picture() {
    eventually 20 picture_now "$@" && return 0
    cat "$WORK/picture.out" >&2
    return 1
}

# key_until CONDITION...: sends a key, again and again, until CONDITION holds (a key sent just
# as a surface maps can be lost).
key_until() {
    local deadline=$(( $(date +%s%N) + 20000000000 ))
    until "$@"; do
        [ "$(date +%s%N)" -ge "$deadline" ] && return 1
        wtype a 2>/dev/null
        LAST_KEY=$(date +%s%N)
        eventually 1 "$@" && return 0
    done
}
saver_gone() { gone "$SAVER"; }
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

# Full screen on both outputs: 3 walkers on the 720-pixel output; the scale-2 one has a
# 300-pixel stage, room for one band only.
start_wayland --fullscreen --speed 6 --count 3 --seed 11
check "a surface on each output, full screen" eventually 20 surfaces 2
check "HEADLESS-1: three walkers" picture HEADLESS-1 1 3
check "HEADLESS-2 at scale 2: one walker in 2x2 device pixels each" picture HEADLESS-2 2 1
check "a key ends it" key_until saver_gone
wait "$SAVER"
check "key: status 0" test $? = 0

# In a window of its own it is not full screen, and a key ends it too.
start_wayland --speed 6
window_up() { swaymsg -t get_tree | grep -q '"app_id": "tekuteku"'; }
check "a window of its own" eventually 20 window_up
check "not full screen" eventually 5 surfaces 0
check "a key ends the window" key_until saver_gone

# --idle 2: nothing until the session has been idle for 2 s, then every output; a key ends the
# showing and the wait starts again.
START=$(date +%s%N)
start_wayland --idle 2 --speed 6 --count 2
check "--idle: shown after idle time" eventually 20 surfaces 2
check "--idle: not before 2 s ($(ms_since "$START") ms)" test "$(ms_since "$START")" -ge 1900
check "--idle: walkers" picture HEADLESS-1 1 2
check "--idle: a key ends the showing" key_until surfaces 0
check "--idle: the program waits on" alive "$SAVER"
check "--idle: shown again after idle time" eventually 20 surfaces 2
check "--idle: again not before 2 s after the key ($(ms_since "$LAST_KEY") ms)" \
    test "$(ms_since "$LAST_KEY")" -ge 1900
kill -TERM "$SAVER"
wait "$SAVER"
check "--idle: SIGTERM ends it (143)" test $? = 143

# An output that comes while it runs gets a surface and a picture of its own. (sway 1.7 cannot
# take a headless output away again, so going away is not tried.)
start_wayland --fullscreen --speed 6 --count 3
check "hot plug: two surfaces first" eventually 20 surfaces 2
swaymsg create_output >/dev/null
check "an output added while it runs gets a surface of its own" eventually 20 surfaces 3
check "and a picture (HEADLESS-3)" picture HEADLESS-3 1 3
check "a key ends it with three outputs" key_until saver_gone

# The README's recipe: swayidle without -w starts the saver after its timeout, and a later
# timeout (a lock, say) still fires while the saver runs.
if command -v swayidle >/dev/null; then
    swayidle timeout 2 "$WORK/tekuteku --fullscreen --seed 5" timeout 4 "touch $WORK/locked" \
        >/dev/null 2>&1 &
    IDLER=$!
    PIDS="$PIDS $IDLER"
    saver_of_swayidle() { SAVER=$(pgrep -f "^$WORK/tekuteku --fullscreen --seed 5") && [ -n "$SAVER" ]; }
    check "swayidle: the saver after its timeout" eventually 20 saver_of_swayidle
    check "swayidle: on every output (three by now)" eventually 20 surfaces 3
    check "swayidle: the later timeout fires while the saver runs" eventually 20 test -e "$WORK/locked"
    check "swayidle: the saver is still there" alive "$SAVER"
    check "swayidle: a key ends it" key_until surfaces 0
    kill "$IDLER"
fi

# The X11 saver under XWayland: full screen every time, not now and then a tiled window.
X_USER=("${AS_USER[@]}" DISPLAY="$(cat "$RUNTIME/x-display")")
x_fullscreen() {
    swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    if (n.get("window_properties") or {}).get("class") == "Tekuteku":
        sys.exit(0 if n.get("fullscreen_mode") == 1 else 1)
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin)); sys.exit(1)'
}
full=0
for run in $(seq 20); do
    "${X_USER[@]}" "$WORK/tekuteku" --fullscreen --speed 6 2>>"$WORK/saver.err" &
    SAVER=$!
    PIDS="$PIDS $SAVER"
    eventually 10 x_fullscreen && full=$((full + 1))
    kill -TERM "$SAVER"
    wait "$SAVER"
done
check "X11 under XWayland: full screen in $full of 20 starts" test "$full" = 20

[ -s "$WORK/saver.err" ] && { echo "saver's stderr:"; cat "$WORK/saver.err"; }
check "nothing on the saver's stderr" test ! -s "$WORK/saver.err"
pass
