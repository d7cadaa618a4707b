#!/bin/sh
# The miniature in the display settings: the saver as a child of another program's window.
. "$(dirname "$0")/lib.sh"

make_app_dir
save_ini
rm -f "$INI"
set_password_switch 0
park_pointer
scr_win=$(winpath "$APP/tekuteku.scr")

# The child covers the host's client area exactly, input there does not end it, and the end
# of the host window ends it with status 0.
start_host --size 152x112 --pos 200,150 --launch "$scr_win" --tail "/p %u"
check "the preview host window exists" [ -n "$HOST" ]
child=$(host_line child 30)
check "a saver child appears in the host window" [ -n "$child" ]
set -- $child
check "the child sits at the client origin (got $3,$4)" [ "$3 $4" = "0 0" ]
check "the child covers the client area (${5}x$6 in ${8}x$9)" [ "$5 $6" = "$8 $9" ]
check "the child is a visible child window (style $7)" [ $(( $7 & 0xFFFF0000 )) -eq $(( 0x52000000 )) ]
check "the preview has no title-matching full-screen window" \
    sh -c '! wine "$HELPERS/saver_probe.exe" find --class WindowsScreenSaverClass --title "Screen Saver" >/dev/null 2>&1'
set -- $(probe client "$HOST")
xdotool mousemove $(($1 + 76)) $(($2 + 56))
wait_until 30 pointer_at $(($1 + 76)) $(($2 + 56))
move_pointer 30 20
xdotool click 1
xdotool key a
xdotool key Escape
# Showing that input does not end it takes a while without a sign (the child is up already).
sleep 1
check "input over the preview does not end it" sh -c "! grep -q saver-exit '$WORK/host.out'"
check "the running state is untouched by a preview (got $(probe running))" [ "$(probe running)" = 0 ]

# A full-screen start is not stopped by a running preview (a preview is no saver of its own).
park_pointer
start_saver /s
check "full-screen saving starts while a preview runs" saver_ready
xdotool key a
check "and ends with status 0" ends_with 0 30
cleanup_saver
check "the preview is still running" sh -c "! grep -q saver-exit '$WORK/host.out'"

stop_host
exit_line=$(tr -d '\r' <"$WORK/host.out" | grep '^saver-' | head -1)
check "destroying the host ends the preview with status 0 ($exit_line)" [ "$exit_line" = "saver-exit 0" ]
# The handle of a window that is gone names no window: -1 at once.
timeout 20 wine "$APP/tekuteku.scr" /p "$HOST" >/dev/null 2>&1
status=$?
check "'/p' with the handle of a destroyed window exits with -1 (got $status)" [ "$status" -eq 255 ]

# The other spellings of the preview tail.
for tail in "/p%u" "/p   %u" "/l %u" "/L %u" "-P %u" "/p %ux"; do
    start_host --size 200x150 --launch "$scr_win" --tail "$tail"
    child=$(host_line child 30)
    set -- $child
    check "tail '$tail' makes a preview child covering the host (${5:-}x${6:-})" \
        [ -n "$child" -a "${5:-} ${6:-}" = "200 150" ]
    stop_host
    exit_line=$(tr -d '\r' <"$WORK/host.out" | grep '^saver-' | head -1)
    check "tail '$tail': status 0 when the host goes ($exit_line)" [ "$exit_line" = "saver-exit 0" ]
done

restore_ini
finish
