#!/bin/sh
# Password protection: with the user's switch on and a password component that refuses, no
# input and no close request from anywhere ends the saver; an approval ends it and the
# system's running state follows the saver's life.
. "$(dirname "$0")/lib.sh"

make_app_dir PASSWORD.CPL
save_ini
# Several walkers, so that the picture is never empty while one of them turns about off screen.
write_settings 1 $(($(screen_size | cut -d' ' -f2) / 195)) 2 1
log=$WORK/pwd.log
answer=$WORK/answer
export TEKUTEKU_PWD_LOG TEKUTEKU_PWD_ANSWER_FILE
TEKUTEKU_PWD_LOG=$(winpath "$log")
TEKUTEKU_PWD_ANSWER_FILE=$(winpath "$answer")
busy=$WORK/busy
export TEKUTEKU_PWD_BUSY_MS_FILE
TEKUTEKU_PWD_BUSY_MS_FILE=$(winpath "$busy")
echo 0 >"$busy"
running_is() { [ "$(probe running)" = "$1" ]; }
trap 'set_password_switch 0' EXIT
set_password_switch 1
check "the running state is off before the saver starts" [ "$(probe running)" = 0 ]

echo 0 >"$answer"
: >"$log"
park_pointer
start_saver /s
check "the protected saver starts" saver_ready
saver=$(echo "$found" | cut -d' ' -f1)
check "the running state is on while it runs" wait_until 30 running_is 1
check "nothing asked the component before any input" [ ! -s "$log" ]

calls() { grep -c "^VerifyScreenSavePwd end hwnd=$saver class=WindowsScreenSaverClass title=Screen Saver answer=0" "$log"; }
# refused WHAT COMMAND...: after the input, the component was asked and said no, and the saver
# is still there. The pause after each keeps requests apart by more than the 200 ms in which a
# new request is refused without asking.
more_calls_than() { [ "$(calls)" -gt "$1" ]; }
refused() {
    what=$1; shift
    before=$(calls)
    "$@"
    wait_until 30 more_calls_than "$before"
    after=$(calls)
    check "$what: the component is asked ($before -> $after calls)" [ "$after" -gt "$before" ]
    check "$what: the saver keeps running" still_running 0
    check "$what: its window stays" [ "$(find_saver 0 | cut -d' ' -f1)" = "$saver" ]
    sleep 0.3
}
refused "a key press" xdotool key a
refused "a click" xdotool click 1
refused "a right click" xdotool click 3
refused "a 10-pixel mouse movement" move_pointer 10 0
refused "another mouse movement after a refusal" move_pointer 0 -6
refused "Alt+F4" xdotool key alt+F4
refused "Alt+Tab" xdotool key alt+Tab
refused "WM_CLOSE from another process" send_close
check "the running state stays on after refusals" [ "$(probe running)" = 1 ]
check "every call came with the saver window" \
    sh -c "! grep -v 'hwnd=$saver class=WindowsScreenSaverClass title=Screen Saver' '$log' | grep -q ."
# Still drawing: the picture changes after a first screenshot.
screenshot "$WORK/a.png"
changed() { screenshot "$WORK/b.png"; ! same_picture "$WORK/a.png" "$WORK/b.png"; }
check "the refused saver goes on drawing" wait_until 30 changed
check "the picture is not empty" [ "$("$e2e_dir/shot_stats.py" "$WORK/b.png" | awk '/^nonblack/ { print $2 }')" -gt 0 ]

# While the component's own dialog is up (here: 8 s of its message loop, long enough for the
# requests below to be made inside it even on a busy machine), more close requests, from input
# or from another program, are refused without asking it again.
echo 8000 >"$busy"
begins=$(grep -c '^VerifyScreenSavePwd begin' "$log")
ends=$(grep -c '^VerifyScreenSavePwd end' "$log")
began() { [ "$(grep -c '^VerifyScreenSavePwd begin' "$log")" -gt "$begins" ]; }
ended() { [ "$(grep -c '^VerifyScreenSavePwd end' "$log")" -gt "$ends" ]; }
xdotool key a
wait_until 30 began
send_close
xdotool key b
move_pointer 9 0
xdotool click 1
wait_until 60 ended
check "requests while the component asks do not ask it again ($begins -> $(grep -c '^VerifyScreenSavePwd begin' "$log") calls)" \
    [ "$(grep -c '^VerifyScreenSavePwd begin' "$log")" -eq $((begins + 1)) ]
check "after that refusal the saver still runs" still_running 0
echo 0 >"$busy"
sleep 0.3  # past the 200 ms in which a new request is refused without asking

# Approval: the next request closes it, and the running state goes off.
echo 1 >"$answer"
xdotool key a
check "an approved close ends the saver with status 0" ends_with 0 30
cleanup_saver
check "the component's approval was the last call" \
    sh -c "tail -1 '$log' | grep -q 'answer=1'"
check "the running state is off after it ends" [ "$(probe running)" = 0 ]

# The switch on but no component beside the saver: it runs without a password.
make_app_dir
: >"$log"
park_pointer
start_saver /s
check "without a component the saver starts" saver_ready
check "without a component the running state is not switched on" [ "$(probe running)" = 0 ]
xdotool key a
check "without a component a key ends it with status 0" ends_with 0 30
cleanup_saver

# The switch off with the component present: never asked.
set_password_switch 0
make_app_dir PASSWORD.CPL
: >"$log"
park_pointer
start_saver /s
check "with the switch off the saver starts" saver_ready
check "with the switch off the running state stays off" [ "$(probe running)" = 0 ]
xdotool key a
check "with the switch off a key ends it with status 0" ends_with 0 30
cleanup_saver
check "with the switch off the component is never asked" [ ! -s "$log" ]

restore_ini
finish
