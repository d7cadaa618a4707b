#!/bin/bash
# The saver on Wayland, under a headless sway started here with two outputs of different sizes,
# one at scale 2: every output gets its own picture with walkers, crisp at whole device pixels,
# on an overlay (layer shell) and, when told to do without, on a full-screen toplevel; a key, a
# click and more than 4 pixels of pointer motion end it; --idle starts it after the idle time and
# again after input ended it; an output added while it runs gets a picture too, and one taken
# away leaves the rest drawing; the swayidle recipe works. Then the full-screen X saver under
# sway's XWayland, 20 times: it must come up full screen every time. Then GNOME's compositor,
# a headless mutter with two monitors: the 4-pixel rule, and --idle through GNOME's idle monitor.
# sway will not run as root, so it runs as an unprivileged user of its own; the programs under
# test run as that user too (XWayland admits only it).
# The saver's buffers hold tekuteku-render's pictures, under sway (which holds the buffer shown)
# and weston (which releases it once shown).
# Usage: wayland_test.sh TEKUTEKU XHELPER SANITIZED VERSION WLPOINTER RENDER
. "$(dirname "$0")/lib.sh"
VERSION=$4
WLPOINTER=$5
RENDER=$6

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
# Its settings window, which --settings finds beside it (absent from a build without GTK 4).
cp "$(dirname "$TEKUTEKU")/tekuteku-settings" "$WORK/" 2>/dev/null
cp "$HERE/lsan.supp" "$WORK/lsan.supp"
cat >"$WORK/sway.conf" <<CONF
output HEADLESS-1 mode 1280x720 position 0 0
output HEADLESS-2 mode 800x600 position 1280 0 scale 2
exec sh -c 'echo "\$DISPLAY" >$RUNTIME/x-display'
# The outputs of a sway run inside this one: floating, so that closing one leaves the others' size.
for_window [app_id="wlroots"] floating enable
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

SAVER_ENV=()  # more of the saver's environment, NAME=VALUE
SAVER_ERR=$WORK/saver.err  # where its stderr goes
start_wayland() {
    "${WAYLAND_USER[@]}" "${SAVER_ENV[@]}" "$WORK/tekuteku" "$@" 2>>"$SAVER_ERR" &
    SAVER=$!
    PIDS="$PIDS $SAVER"
}

# surfaces N: sway shows N full-screen saver toplevels (overlays are not in its tree).
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
    # grim waits for the output's next frame, which a hidden nested output never draws.
    timeout 10 grim -t ppm -o "$1" "$WORK/shot.ppm" 2>/dev/null || return 1
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
# as a surface maps can be lost). wtype's keyboard exists only while it runs, and the saver asks
# for it only once the compositor says it is there: wtype waits 200 ms before the key, or the
# press often comes before the saver's keyboard does and only the release reaches it.
key_until() {
    local deadline=$(( $(date +%s%N) + 20000000000 ))
    until "$@"; do
        [ "$(date +%s%N)" -ge "$deadline" ] && return 1
        wtype -s 200 ${WTYPE_KEY:-a} 2>/dev/null
        LAST_KEY=$(date +%s%N)
        eventually 1 "$@" && return 0
    done
}
saver_gone() { gone "$SAVER"; }

# covered OUTPUT...: every OUTPUT is mostly black (sway's own background is grey); bare: none is.
black_percent() {
    timeout 10 grim -t ppm -o "$1" "$WORK/black.ppm" 2>/dev/null &&
        python3 -c 'import sys; d = open(sys.argv[1], "rb").read().split(b"\n", 3)[3]
n = range(0, len(d) // 3, 97); print(100 * sum(d[i * 3:i * 3 + 3] == bytes(3) for i in n) // len(n))' "$WORK/black.ppm"
}
covered() { local o p; for o; do p=$(black_percent "$o") && [ "$p" -ge 70 ] || return 1; done; }
bare() { local o p; for o; do p=$(black_percent "$o") && [ "$p" -lt 10 ] || return 1; done; }
# drawing OUTPUT: three different pictures of OUTPUT in turn, so the saver is still drawing.
drawing() {
    local seen="" shot deadline=$(( $(date +%s%N) + 20000000000 ))
    while [ "$(echo "$seen" | wc -w)" -lt 3 ]; do
        [ "$(date +%s%N)" -ge "$deadline" ] && return 1
        shot=$(timeout 10 grim -t ppm -o "$1" - 2>/dev/null | md5sum | cut -c1-32)
        case " $seen " in *" $shot "*) ;; *) seen="$seen $shot" ;; esac
    done
}
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

# Full screen on both outputs: 3 walkers on the 720-pixel output; the scale-2 one has a
# 300-pixel stage, room for one band only. sway has the layer shell: an overlay on each output.
start_wayland --fullscreen --speed 6 --count 3 --seed 11
check "HEADLESS-1: three walkers" picture HEADLESS-1 1 3
check "HEADLESS-2 at scale 2: one walker in 2x2 device pixels each" picture HEADLESS-2 2 1
check "overlays, not toplevels" surfaces 0
check "a key ends it" key_until saver_gone
wait "$SAVER"
check "key: status 0" test $? = 0

# Every buffer the saver draws into holds tekuteku-render's picture of the same seed and size
# after one of the steps made since START (at most one per 10 ms): a buffer that missed damage
# drawn into the other one still shows a walker where she was. The buffers are read from the
# saver's memory while it is stopped (now and then in mid-step, hence `eventually`): the
# compositor's screenshot shows only what it repainted. sway holds the buffer shown until the
# next commit, so the saver needs two; weston's headless backend releases it once shown, and
# one is all the saver makes there.
buffers_are_render() {  # WIDTH HEIGHT SCALE COUNT SEED BUFFERS
    local ppm found=0
    rm -f "$WORK"/buffer-*.ppm
    kill -STOP "$SAVER"
    python3 - "$SAVER" "$(($1 * $3))" "$(($2 * $3))" "$WORK" >"$WORK/find.out" 2>&1 <<'PY'
import re, sys
pid, w, h, work = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
for i, (start, end) in enumerate(re.findall(r"^(\w+)-(\w+) .*memfd:tekuteku", open("/proc/%s/maps" % pid).read(), re.M)):
    if int(end, 16) - int(start, 16) != (w * h * 4 + 4095) // 4096 * 4096: continue
    d = open("/proc/%s/map_files/%s-%s" % (pid, start, end), "rb").read(w * h * 4)
    rgb = bytearray(w * h * 3); rgb[0::3], rgb[1::3], rgb[2::3] = d[2::4], d[1::4], d[0::4]
    open("%s/buffer-%d.ppm" % (work, i), "wb").write(b"P6 %d %d 255\n" % (w, h) + rgb)
PY
    kill -CONT "$SAVER"
    for ppm in "$WORK"/buffer-*.ppm; do
        [ -e "$ppm" ] || continue
        "$RENDER" --find "$ppm" --width "$1" --height "$2" --scale "$3" --count "$4" --seed "$5" \
            --steps $(( $(ms_since "$START") / 10 + 10 )) >>"$WORK/find.out" || return 1
        found=$((found + 1))
    done
    [ "$found" = "$6" ] || { echo "$found buffers, not $6" >>"$WORK/find.out"; return 1; }
}
is_render() { eventually 20 buffers_are_render "$@" || { cat "$WORK/find.out" >&2; return 1; }; }
start_rendered() {  # DISPLAY COUNT SEED
    START=$(date +%s%N)
    "${AS_USER[@]}" WAYLAND_DISPLAY="$1" "$WORK/tekuteku" --fullscreen --speed 6 --count "$2" \
        --event high --seed "$3" 2>>"$WORK/saver.err" &
    SAVER=$!
    PIDS="$PIDS $SAVER"
}
start_rendered "$WAYLAND_DISPLAY" 3 11
for look in 1 2 3; do check "sway: both buffers of HEADLESS-1 are tekuteku-render's ($look)" is_render 1280 720 1 3 11 2; done
check "sway: both buffers of HEADLESS-2, at scale 2" is_render 400 300 2 1 12 2
kill "$SAVER"
if command -v weston >/dev/null; then
    "${AS_USER[@]}" weston --backend=headless-backend.so --socket=weston-0 --width=640 \
        --height=480 >"$WORK/weston.log" 2>&1 &
    PIDS="$PIDS $!"
    check "weston: started" eventually 30 test -S "$RUNTIME/weston-0"
    start_rendered weston-0 2 5
    for look in 1 2 3; do check "weston: one buffer, tekuteku-render's ($look)" is_render 640 480 1 2 5 1; done
    kill "$SAVER"
fi

# Without the layer shell (as on GNOME): a full-screen toplevel on each output.
SAVER_ENV=(TEKUTEKU_NO_LAYER_SHELL=1)
start_wayland --fullscreen --speed 6 --count 3 --seed 11
check "toplevels: a surface on each output, full screen" eventually 20 surfaces 2
check "toplevels: HEADLESS-1, three walkers" picture HEADLESS-1 1 3
check "toplevels: HEADLESS-2 at scale 2, one walker" picture HEADLESS-2 2 1
check "toplevels: a key ends it" key_until saver_gone
SAVER_ENV=()

# Pointer input from a virtual pointer made before the saver starts, so the saver has it from
# its start, put at 100,100 on HEADLESS-1 first: 2 right and 2 down (4 pixels) leave the saver
# drawing, one more right (5 from where it was) ends it; a click ends it too.
coproc POINTER { "$WLPOINTER"; }
POINTER_PROCESS=$POINTER_PID  # bash unsets POINTER_PID once it has ended
PIDS="$PIDS $POINTER_PROCESS"
pointer() {
    echo "$*" >&"${POINTER[1]}"
    local reply
    read -r -t 10 reply <&"${POINTER[0]}" && [ "$reply" = ok ]
}
read -r -t 10 ready <&"${POINTER[0]}"
check "a virtual pointer" test "${ready:-}" = ready
pointer move -10000 -10000
check "pointer to 100,100" pointer move 100 100
start_wayland --fullscreen --speed 6 --count 2
check "pointer: shown" picture HEADLESS-1 1 2
check "pointer: moved by 2,2" pointer move 2 2
check "4 pixels of motion: still drawing" drawing HEADLESS-1
check "4 pixels of motion: still running" alive "$SAVER"
check "pointer: moved by 1,0" pointer move 1 0
check "5 pixels of motion end it" eventually 10 saver_gone
start_wayland --fullscreen --speed 6 --count 2
check "click: shown" picture HEADLESS-1 1 2
check "click: pressed and released" pointer click
check "a click ends it" eventually 10 saver_gone
exec {POINTER[1]}>&-  # the pointer goes, and leaves the later tests alone
wait "$POINTER_PROCESS"

# In a window of its own it is not full screen, and a key ends it too.
start_wayland --speed 6
window_up() { swaymsg -t get_tree | grep -q '"app_id": "tekuteku"'; }
check "a window of its own" eventually 20 window_up
check "not full screen" eventually 5 surfaces 0
check "a key ends the window" key_until saver_gone

# --idle 2: nothing until the session has been idle for 2 s, then every output; a key ends the
# showing and the wait starts again. The showing's end is read from the saver's own requests:
# 2 s later it shows again, sooner than screenshots of a busy machine may see the gap.
START=$(date +%s%N)
SAVER_ENV=(WAYLAND_DEBUG=1) SAVER_ERR=$WORK/idle.log
start_wayland --idle 2 --speed 6 --count 2
SAVER_ENV=() SAVER_ERR=$WORK/saver.err
surfaces_destroyed() { [ "$(grep -cE ' -> wl_surface@[0-9]+\.destroy' "$WORK/idle.log")" -ge "$1" ]; }
check "--idle: shown after idle time" eventually 20 covered HEADLESS-1 HEADLESS-2
check "--idle: not before 2 s ($(ms_since "$START") ms)" test "$(ms_since "$START")" -ge 1900
check "--idle: walkers" picture HEADLESS-1 1 2
check "--idle: a key ends the showing" key_until surfaces_destroyed 2
check "--idle: the program waits on" alive "$SAVER"
check "--idle: shown again after idle time" eventually 20 covered HEADLESS-1 HEADLESS-2
check "--idle: again not before 2 s after the key ($(ms_since "$LAST_KEY") ms)" \
    test "$(ms_since "$LAST_KEY")" -ge 1900
kill -TERM "$SAVER"
wait "$SAVER"
check "--idle: SIGTERM ends it (143)" test $? = 143
grep -v '^\[' "$WORK/idle.log" >>"$WORK/saver.err"  # what it said, without the protocol

# An output that comes while it runs gets a surface and a picture of its own.
start_wayland --fullscreen --speed 6 --count 3
check "hot plug: two surfaces first" eventually 20 covered HEADLESS-1 HEADLESS-2
swaymsg create_output >/dev/null
check "an output added while it runs gets a surface of its own" eventually 20 covered HEADLESS-3
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
    check "swayidle: on every output (three by now)" eventually 20 covered HEADLESS-1 HEADLESS-2 HEADLESS-3
    check "swayidle: the later timeout fires while the saver runs" eventually 20 test -e "$WORK/locked"
    check "swayidle: the saver is still there" alive "$SAVER"
    # The saver swayidle started: after the key swayidle starts another 2 s later.
    check "swayidle: a key ends it" key_until saver_gone
    kill "$IDLER"
    wait "$IDLER"
    pkill -f "^$WORK/tekuteku --fullscreen --seed 5"
    check "swayidle: no saver left" eventually 20 bare HEADLESS-1 HEADLESS-2 HEADLESS-3
fi

# The settings window through GTK's Wayland backend: Enter presses OK, which writes the keys.
if ! env -u DISPLAY -u WAYLAND_DISPLAY "$TEKUTEKU" --settings 2>&1 | grep -q "built without"; then
    mkdir -m 700 "$WORK/config" && chown "$USER_NAME" "$WORK/config"
    "${WAYLAND_USER[@]}" GDK_BACKEND=wayland GTK_A11Y=none XDG_CONFIG_HOME="$WORK/config" \
        "$WORK/tekuteku" --settings 2>>"$WORK/saver.err" &
    SAVER=$!
    PIDS="$PIDS $SAVER"
    settings_shown() { swaymsg -t get_tree | grep -q '"app_id": *"tekuteku-settings"'; }
    check "the settings window on Wayland" eventually 30 settings_shown
    WTYPE_KEY="-k Return" check "Enter closes it" key_until saver_gone
    check "and wrote the four keys" test "$(grep -c '^[A-Za-z]*=[0-9]$' "$WORK/config/tekuteku/control.ini")" = 4
fi

# An output that goes away while it runs. sway 1.7 can neither disable nor unplug a headless
# output, so a second sway runs inside this one, its outputs windows here: closing one takes that
# output away. The saver draws there on WL-1, then also on WL-2 added later, whose overlay takes
# the keyboard; when WL-2 goes, WL-1 must go on drawing, and a key must still end it.
cat >"$WORK/inner.conf" <<CONF
xwayland disable
exec sh -c 'echo "\$WAYLAND_DISPLAY \$SWAYSOCK" >$RUNTIME/inner'
CONF
"${WAYLAND_USER[@]}" WLR_BACKENDS=wayland WLR_WL_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman sway -c "$WORK/inner.conf" >"$WORK/inner.log" 2>&1 &
INNER_SWAY=$!
PIDS="$PIDS $INNER_SWAY"
check "a sway inside sway" eventually 30 test -s "$RUNTIME/inner"
read -r INNER INNER_SOCK <"$RUNTIME/inner"
inner_outputs_are() { [ "$(SWAYSOCK=$INNER_SOCK swaymsg -t get_outputs | grep -c '"name": "WL-')" = "$1" ]; }
SAVER_ENV=(WAYLAND_DISPLAY="$INNER")
start_wayland --fullscreen --speed 6 --count 2
WAYLAND_DISPLAY=$INNER check "inner: WL-1" picture WL-1 1 2
SWAYSOCK=$INNER_SOCK swaymsg create_output >/dev/null
WAYLAND_DISPLAY=$INNER check "inner: WL-2 added" picture WL-2 1 2
swaymsg '[title="wlroots - WL-2"] kill' >/dev/null
check "WL-2 taken away" eventually 20 inner_outputs_are 1
WAYLAND_DISPLAY=$INNER check "WL-1 still drawing without WL-2" drawing WL-1
check "still running without WL-2" alive "$SAVER"
WAYLAND_DISPLAY=$INNER check "a key ends it without WL-2" key_until saver_gone
SAVER_ENV=()
kill "$INNER_SWAY"
wait "$INNER_SWAY"

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

# --- GNOME's compositor: a headless mutter on a session bus of its own, input through its
# RemoteDesktop session from one long-lived client (mutter ends the session when its caller
# leaves the bus), the saver's Wayland requests logged to tell what it shows.
if command -v mutter >/dev/null && command -v dbus-run-session >/dev/null; then
    "${AS_USER[@]}" dbus-run-session -- mutter --headless --wayland --no-x11 \
        --virtual-monitor 1280x720 --virtual-monitor 800x600 --wayland-display=mutter-0 \
        >"$WORK/mutter.log" 2>&1 &
    MUTTER_RUN=$!
    PIDS="$PIDS $MUTTER_RUN"
    mutter_up() { MUTTER=$(pgrep -P "$MUTTER_RUN" -x mutter) && [ -S "$RUNTIME/mutter-0" ]; }
    check "mutter: up" eventually 30 mutter_up
    PIDS="$PIDS $MUTTER $(pgrep -P "$MUTTER_RUN" -x dbus-daemon)"  # they outlive dbus-run-session
    BUS=$(tr '\0' '\n' <"/proc/$MUTTER/environ" | sed -n 's/^DBUS_SESSION_BUS_ADDRESS=//p')
    GNOME_USER=("${AS_USER[@]}" WAYLAND_DISPLAY=mutter-0 DBUS_SESSION_BUS_ADDRESS="$BUS")
    coproc DESK { "${GNOME_USER[@]}" python3 -c '
import sys, dbus
name = "org.gnome.Mutter.RemoteDesktop"
bus = dbus.SessionBus()
desktop = dbus.Interface(bus.get_object(name, "/org/gnome/Mutter/RemoteDesktop"), name)
session = dbus.Interface(bus.get_object(name, desktop.CreateSession()), name + ".Session")
session.Start()
print("ready", flush=True)
for line in sys.stdin:
    word = line.split()
    if word[0] == "move": session.NotifyPointerMotionRelative(float(word[1]), float(word[2]))
    for down in (True, False):
        if word[0] == "key": session.NotifyKeyboardKeycode(30, down)
        if word[0] == "click": session.NotifyPointerButton(0x110, down)
    print("ok", flush=True)'; }
    PIDS="$PIDS $DESK_PID"
    desk() { echo "$*" >&"${DESK[1]}"; local reply; read -r -t 10 reply <&"${DESK[0]}" && [ "$reply" = ok ]; }
    read -r -t 20 ready <&"${DESK[0]}"
    check "mutter: a remote desktop session" test "${ready:-}" = ready
    # The pointer is there before the saver maps, as on a desktop; the seat has a keyboard once
    # a key has been sent.
    check "mutter: a pointer and a keyboard" desk move 300 200 && desk key

    start_gnome() {
        : >"$WORK/gnome.log"
        "${GNOME_USER[@]}" WAYLAND_DEBUG=1 "$WORK/tekuteku" "$@" 2>"$WORK/gnome.log" &
        SAVER=$!
        PIDS="$PIDS $SAVER"
    }
    requests() { grep -cE " -> $1" "$WORK/gnome.log"; }
    # drawing_on_gnome: three more frames committed from now on.
    commits_past() { [ "$(requests 'wl_surface@[0-9]+\.commit')" -gt "$1" ]; }
    drawing_on_gnome() { eventually 20 commits_past $(($(requests 'wl_surface@[0-9]+\.commit') + 3)); }
    # showings N: N showings have each put a full-screen surface on both monitors, and one of
    # them has the keyboard (the pointer enters only when it next moves).
    showings() {
        [ "$(requests 'xdg_toplevel@[0-9]+\.set_fullscreen')" = $(($1 * 2)) ] &&
            [ "$(grep -cE '] wl_surface@[0-9]+\.enter' "$WORK/gnome.log")" = $(($1 * 2)) ] &&
            grep -E '] wl_keyboard@[0-9]+\.(enter|leave)' "$WORK/gnome.log" | tail -1 | grep -q enter
    }
    hidden() { [ "$(requests 'xdg_toplevel@[0-9]+\.destroy')" = $(($1 * 2)) ]; }

    # The 4-pixel rule on two monitors, 5 times: mutter's enter position is stale while its
    # window opens.
    # While the window still grows in, a move may miss it and reach no client, so the pixels
    # are counted as the saver received them: a pixel at a time until the first arrives, then
    # one at a time, each awaited, up to 4 received, then the fifth.
    received_x() {
        grep -E '] zwp_relative_pointer_v1@[0-9]+\.relative_motion\(' "$WORK/gnome.log" |
            awk -F'[(,]' '{ sum += $4 } END { printf "%d", sum + 0.5 }'
    }
    received_past() { [ "$(received_x)" -gt "$1" ]; }
    gone_or_tell() {  # the pointer's story as the saver heard it, when it did not end
        eventually 10 saver_gone && return 0
        grep -E '(wl_pointer|zwp_relative_pointer_v1)@[0-9]+\.[a-z_]+\(' "$WORK/gnome.log" | tail -20 >&2
        return 1
    }
    nudge() { local had; had=$(received_x); desk move 1 0 && eventually "$1" received_past "$had"; }
    for run in 1 2 3 4 5; do
        start_gnome --fullscreen --speed 6 --count 2
        check "mutter $run: shown" eventually 20 showings 1
        for try in 1 2 3 4 5 6 7 8 9 10; do nudge 2 && break; done
        while [ "$(received_x)" -lt 4 ] && nudge 10; do :; done
        check "mutter $run: 4 pixels received ($(received_x), the first by move $try)" test "$(received_x)" = 4
        check "mutter $run: 4 pixels leave it drawing" drawing_on_gnome
        check "mutter $run: and running" alive "$SAVER"
        check "mutter $run: moved by 1,0" desk move 1 0
        check "mutter $run: the fifth pixel ends it" gone_or_tell
    done

    # --idle 2 through GNOME's idle monitor: shown after 2 s without input, a key ends the
    # showing, and 2 s after it the saver is back.
    desk key
    START=$(date +%s%N)
    start_gnome --idle 2 --speed 6 --count 2
    check "mutter --idle: shown" eventually 30 showings 1
    check "mutter --idle: not before 2 s ($(ms_since "$START") ms)" test "$(ms_since "$START")" -ge 1900
    check "mutter --idle: drawing" drawing_on_gnome
    check "mutter --idle: a key" desk key
    KEY=$(date +%s%N)
    check "mutter --idle: the key ends the showing" eventually 10 hidden 1
    check "mutter --idle: shown again" eventually 30 showings 2
    check "mutter --idle: again not before 2 s after the key ($(ms_since "$KEY") ms)" \
        test "$(ms_since "$KEY")" -ge 1900
    kill -TERM "$SAVER"
    wait "$SAVER"
    check "mutter --idle: SIGTERM ends it (143)" test $? = 143
fi

[ -s "$WORK/saver.err" ] && { echo "saver's stderr:"; cat "$WORK/saver.err"; }
check "nothing on the saver's stderr" test ! -s "$WORK/saver.err"
pass
