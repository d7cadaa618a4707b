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
        if tr '\0' '\n' <"$d/cmdline" 2>/dev/null | grep -q 'tekuteku\.scr' &&
            tr '\0' '\n' <"$d/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "${d#/proc/}"; return 0
        fi
    done
    return 1
}
# watch PID: samples the resident memory every 2 s for the run; prints "first last most".
watch_memory() {
    sleep 2
    first=$(rss "$1")
    most=$first
    n=2
    while [ "$n" -lt "$SECONDS_RUN" ]; do
        sleep 2
        now=$(rss "$1")
        [ -n "$now" ] || break
        [ "$now" -gt "$most" ] && most=$now
        n=$((n + 2))
    done
    echo "$first ${now:-0} $most"
}

park_pointer
start_saver /s
find_saver >/dev/null
set -- $(watch_memory "$SAVER_PID")
check "full screen: memory stays flat over about $((SECONDS_RUN * 100)) ticks ($1 kB -> $2 kB, most $3 kB)" \
    [ -n "${3:-}" -a "${3:-0}" -le $((${1:-0} + 64)) ]
xdotool key a
check "full screen: ends with status 0" ends_with 0 5000
cleanup_saver

start_host --size 152x112 --launch "$scr_win" --tail "/p %u" --timeout-ms 60000
host_line child 15000 >/dev/null
pid=$(saver_unix_pid)
check "preview: the saver process is found" [ -n "$pid" ]
set -- $(watch_memory "${pid:-0}")
check "preview: memory stays flat over about $((SECONDS_RUN * 100)) ticks ($1 kB -> $2 kB, most $3 kB)" \
    [ -n "${3:-}" -a "${3:-0}" -le $((${1:-0} + 64)) ]
stop_host
check "preview: ends with status 0 when the host goes" grep -q '^saver-exit 0' "$WORK/host.out"

restore_ini
finish
