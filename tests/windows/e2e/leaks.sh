#!/bin/sh
# No leaks over a long run: at the fastest speed (about a hundred ticks a second under Wine)
# the saver's memory must stay flat, full screen and in preview. Wine gives no per-process GDI
# or USER object counts (GetGuiResources answers 0), but every GDI object it makes lives in the
# process's own heap, so a per-tick leak shows as growth of the resident memory.
. "$(dirname "$0")/lib.sh"

make_app_dir
save_ini
set_password_switch 0
limit=$(($(screen_size | cut -d' ' -f2) / 195))
write_settings 6 "$limit" 0 1
scr_win=$(winpath "$APP/tekuteku.scr")
SECONDS_RUN=${E2E_LEAK_SECONDS:-15}

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
# The Unix process of a Windows program of this prefix whose command line names the saver.
saver_unix_pid() {
    for d in /proc/[0-9]*; do
        if tr '\0' '\n' 2>/dev/null <"$d/cmdline" | grep -q 'tekuteku\.scr' &&
            tr '\0' '\n' 2>/dev/null <"$d/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "${d#/proc/}"; return 0
        fi
    done
    return 1
}
# watch PID...: samples the resident memory of each process every 2 s for the run; prints
# "first last most" for each, one line per process.
watch_memory() {
    for p in "$@"; do echo "$(rss "$p") $(rss "$p")" >"$WORK/mem.$p"; done
    n=0
    while [ "$n" -lt "$SECONDS_RUN" ]; do
        sleep 2
        n=$((n + 2))
        for p in "$@"; do
            read -r first most <"$WORK/mem.$p"
            now=$(rss "$p")
            [ -n "$now" ] || now=0
            [ "$now" -gt "$most" ] && most=$now
            echo "$first $most" >"$WORK/mem.$p"
            echo "$now" >"$WORK/last.$p"
        done
    done
    for p in "$@"; do
        read -r first most <"$WORK/mem.$p"
        echo "$first $(cat "$WORK/last.$p") $most"
    done
}

# Both at once, to halve the time: a preview in a host window, and full screen over it.
start_host --size 152x112 --launch "$scr_win" --tail "/p %u" --timeout-ms 60000
host_line child 30 >/dev/null
preview_pid=$(saver_unix_pid)
check "preview: the saver process is found" [ -n "$preview_pid" ]
park_pointer
start_saver /s
saver_ready
sleep 2  # past the start, before the first sample
watch_memory "$SAVER_PID" "${preview_pid:-0}" >"$WORK/memory"
set -- $(sed -n 1p "$WORK/memory")
check "full screen: memory stays flat over about $((SECONDS_RUN * 100)) ticks ($1 kB -> $2 kB, most $3 kB)" \
    [ -n "${3:-}" -a "${1:-0}" -gt 0 -a "${3:-0}" -le $((${1:-0} + 64)) ]
set -- $(sed -n 2p "$WORK/memory")
check "preview: memory stays flat over about $((SECONDS_RUN * 100)) ticks ($1 kB -> $2 kB, most $3 kB)" \
    [ -n "${3:-}" -a "${1:-0}" -gt 0 -a "${3:-0}" -le $((${1:-0} + 64)) ]
xdotool key a
check "full screen: ends with status 0" ends_with 0 30
cleanup_saver
stop_host
check "preview: ends with status 0 when the host goes" grep -q '^saver-exit 0' "$WORK/host.out"

restore_ini
finish
