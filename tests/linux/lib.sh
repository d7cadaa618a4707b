# Shared by the Linux saver's X tests: a private Xvfb per test, process bookkeeping, checks.
# Usage in a test: . lib.sh; start_xvfb 1024x768; ...; pass
set -u

TEKUTEKU=$1
XHELPER=$2
SANITIZED=${3:-0}
# How long a signalled saver may take to end: 2 s, as XScreenSaver expects; the sanitizer build
# runs its whole-heap leak scan before it dies, which on a busy machine alone can take that long.
END_LIMIT_MS=2000
[ "$SANITIZED" = 1 ] && END_LIMIT_MS=10000
WORK=$(mktemp -d)
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Sanitizer builds: libdbus's own buffer under SDL is not ours to free.
export LSAN_OPTIONS=suppressions=$HERE/lsan.supp:print_suppressions=0
PIDS=""
FAILED=0

cleanup() {
    for pid in $PIDS; do kill "$pid" 2>/dev/null; done
    for pid in $PIDS; do wait "$pid" 2>/dev/null; done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    FAILED=1
}

check() {  # check "what" command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

pass() {
    if [ "$FAILED" = 0 ]; then echo "all passed"; exit 0; fi
    exit 1
}

# A new X server on a free display; white root so that stray drawing shows.
# start_xvfb WxH [DEPTH]
start_xvfb() {
    local fifo
    fifo=$(mktemp -u "$WORK/displayfd.XXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${1}x${2:-24}" -nolisten tcp -wr -noreset 3>"$fifo" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    PIDS="$PIDS $XVFB_PID"
    local number
    if ! read -r -t 20 number <"$fifo"; then
        echo "Xvfb did not start" >&2
        cat "$WORK/xvfb.log" >&2
        exit 1
    fi
    export DISPLAY=":$number"
}

# Starts the saver in the background with the given arguments; sets SAVER.
start_saver() {
    "$TEKUTEKU" "$@" 2>>"$WORK/saver.err" &
    SAVER=$!
    PIDS="$PIDS $SAVER"
}

# Ends the saver started last with SIGTERM and waits for it; its status is 143 when it died
# of the signal, as a hack should.
stop_saver() {
    kill -TERM "$SAVER"
    wait "$SAVER"
}

# eventually SECONDS COMMAND...: runs COMMAND until it succeeds or SECONDS of wall-clock time
# have passed. Every wait for something on screen or for a process goes through here, so a busy
# machine only makes a test slower, never wrong.
eventually() {
    local deadline=$(( $(date +%s%N) + $1 * 1000000000 ))
    shift
    until "$@"; do
        [ "$(date +%s%N)" -ge "$deadline" ] && return 1
        sleep 0.05
    done
}

# alive PID: still running?
alive() { kill -0 "$1" 2>/dev/null; }

gone() { ! alive "$1"; }

# wait_exit PID SECONDS: waits for PID to end; sets STATUS (or returns 1 on timeout).
wait_exit() {
    eventually "$2" gone "$1" || return 1
    wait "$1"
    STATUS=$?
    return 0
}

# Number of coloured (walker) pixels in X Y W H; white() counts the untouched white ones.
coloured() { "$XHELPER" look "$@" | awk '{print $6}'; }
white() { "$XHELPER" look "$@" | awk '{print $4}'; }

has_colour() { [ "$(coloured "$@")" -gt 0 ]; }
all_black() { [ "$(white "$@")" = 0 ]; }
white_is() { [ "$(white "$1" "$2" "$3" "$4")" = "$5" ]; }  # white_is X Y W H COUNT

# until_coloured X Y W H: waits up to 20 s for walkers to show there.
until_coloured() { eventually 20 has_colour "$@"; }

# walkers X Y W H N: the picture shows N walkers, within 20 s (on the one tick in which a
# walker re-enters she is wholly outside the area, and a new stage takes a moment to show).
walkers_now() { "$XHELPER" walkers "$@" >"$WORK/walkers.out"; }
walkers() {
    eventually 20 walkers_now "$@" && return 0
    cat "$WORK/walkers.out" >&2
    return 1
}

# progressed X Y W H [N]: waits until N (default 3) different pictures of the area have been
# seen, that is until the saver has drawn several times since the call: whatever was sent to it
# before has been read by then. The way to give it time before checking that something did NOT
# happen, instead of sleeping and hoping.
progressed() {
    local want=${5:-3} seen="" distinct=0 picture
    local deadline=$(( $(date +%s%N) + 20000000000 ))
    while [ "$distinct" -lt "$want" ]; do
        [ "$(date +%s%N)" -ge "$deadline" ] && return 1
        picture=$("$XHELPER" look "$1" "$2" "$3" "$4")
        case "$seen" in *"|$picture|"*) sleep 0.02 ;; *) seen="$seen|$picture|"; distinct=$((distinct + 1)) ;; esac
    done
}

# A helper window: window W H X Y; sets WIN and the coprocess HELPER.
open_window() {
    coproc HELPER { "$XHELPER" window "$@"; }
    PIDS="$PIDS $HELPER_PID"
    read -r -t 10 WIN <&"${HELPER[0]}"
}
helper_command() {
    echo "$*" >&"${HELPER[1]}"
    local reply
    read -r -t 10 reply <&"${HELPER[0]}"
}
close_window() {
    echo quit >&"${HELPER[1]}"
    wait "$HELPER_PID" 2>/dev/null
}
