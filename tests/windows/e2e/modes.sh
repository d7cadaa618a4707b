#!/bin/sh
# The saver as the system starts it: every kind of command tail and the exit status it gives.
. "$(dirname "$0")/lib.sh"

DIALOG_TITLE="てくてくポルッカの設定"
make_app_dir MPR.DLL
save_ini
rm -f "$INI"
set_password_switch 0
park_pointer

# Tails that select nothing end at once with -1 (status 255).
for tail in "/x" "/1" "/p:1234" "/p 0" "/p" "/p abc" "/p 99999999999999" "/q" "x" "9"; do
    # shellcheck disable=SC2086
    timeout 20 wine "$APP/tekuteku.scr" $tail >/dev/null 2>&1
    status=$?
    check "tail '$tail' exits with -1 (got $status)" [ "$status" -eq 255 ]
done
# Bytes the shell cannot pass through wine's argument quoting: an exact command line.
scr_win=$(winpath "$APP/tekuteku.scr")
for hex in 202f0973 2f0973 2f82a0 82a0 2f9073; do
    code=$(timeout 20 wine "$HELPERS/saver_probe.exe" run "$scr_win" "$hex" 2>/dev/null | tr -d '\r')
    check "tail bytes $hex exit with -1 (got $code)" [ "$code" = -1 ]
done

# The settings dialog: no tail, separators only, /c with or without a number.
dialog_case() {
    label=$1; shift
    start_saver "$@"
    found=$(probe find --class '#32770' --title "$DIALOG_TITLE" --wait-ms 30000)
    check "$label shows the settings dialog" [ -n "$found" ]
    check "$label: the dialog is the foreground window" wait_foreground '#32770' 30
    xdotool key Escape
    check "$label: Escape closes it with status 0" ends_with 0 30
    cleanup_saver
}
dialog_case "no tail"
dialog_case "tail '/'" /
dialog_case "tail '-'" -
dialog_case "tail '/c'" /c
dialog_case "tail '/c:1234'" /c:1234
dialog_case "tail '-C'" -C
check "no settings written by cancelled dialogs" [ ! -f "$INI" ]
# ' - / ' only as an exact command line.
wine "$HELPERS/saver_probe.exe" run "$scr_win" 202d202f20 >"$WORK/run.out" 2>/dev/null &
SAVER_PID=$!
found=$(probe find --class '#32770' --title "$DIALOG_TITLE" --wait-ms 30000)
check "tail ' - / ' shows the settings dialog" [ -n "$found" ]
check "tail ' - / ': the dialog is the foreground window" wait_foreground '#32770' 30
xdotool key Escape
check "tail ' - / ': status 0" ends_with 0 30
cleanup_saver

# Full-screen tails: text after the letter is ignored; a key ends the saver with status 0.
for tail in "/s" "-S" "s" "/ s" "--s" "/sextra" "/S 1234"; do
    # shellcheck disable=SC2086
    start_saver $tail
    # A key typed before X has mapped and focused the window is lost.
    check "tail '$tail' starts full-screen saving" saver_ready
    xdotool key a
    check "tail '$tail': a key ends it with status 0" ends_with 0 30
    cleanup_saver
done

# Two savers started together by one program, three times over: one leaves at once, the other
# runs, with the focus, and one key ends it; both end with 0.
for round in 1 2 3; do
    park_pointer
    wine "$HELPERS/saver_probe.exe" run-two "$scr_win" 2f73 >"$WORK/two.out" 2>/dev/null &
    SAVER_PID=$!
    check "two at once ($round): one runs and has the focus" saver_ready
    xdotool key a
    check "two at once ($round): one key ends them both" ends_with 0 30
    check "two at once ($round): both end with 0 ($(tr -d '\r' <"$WORK/two.out"))" \
        [ "$(tr -d '\r' <"$WORK/two.out")" = "0 0" ]
    saver_gone || xdotool key a  # a second saver, left running
    cleanup_saver
done

# Password change: the test MPR.DLL (loaded only with the native override) sees one call with
# "SCRSAVE", the owner and two zeros; the status is always 0.
log=$WORK/mpr.log
export TEKUTEKU_PWD_LOG
TEKUTEKU_PWD_LOG=$(winpath "$log")
rm -f "$log"
for answer in 0 1; do
    : >"$log"
    TEKUTEKU_MPR_ANSWER=$answer WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n,b" \
        timeout 20 wine "$APP/tekuteku.scr" /a 1234 >/dev/null 2>&1
    status=$?
    check "'/a 1234' exits with 0 when the change function answers $answer (got $status)" [ "$status" -eq 0 ]
    check "'/a 1234' calls PwdChangePasswordA once with SCRSAVE, 0, 0" \
        sh -c "[ \$(grep -c 'PwdChangePasswordA provider=SCRSAVE .* arg3=0 arg4=0' '$log') -eq 1 ] && [ \$(wc -l <'$log') -eq 1 ]"
done
: >"$log"
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n,b" timeout 20 wine "$APP/tekuteku.scr" /a >/dev/null 2>&1
status=$?
check "'/a' alone exits with 0 (got $status)" [ "$status" -eq 0 ]
check "'/a' alone calls PwdChangePasswordA once" [ "$(grep -c 'provider=SCRSAVE' "$log")" -eq 1 ]
# With the owner named by a real window, the call is owned by that window.
: >"$log"
start_host --timeout-ms 30000
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n,b" timeout 20 wine "$APP/tekuteku.scr" /a "$HOST" >/dev/null 2>&1
status=$?
check "'/a <window>' exits with 0 (got $status)" [ "$status" -eq 0 ]
check "'/a <window>' passes that window as the owner" grep -q "provider=SCRSAVE hwnd=$HOST class=TekutekuPreviewHost" "$log"
# A number that names no window, or none at all: the foreground window (the host) owns it.
for tail in "/a 1234" "/a"; do
    : >"$log"
    # shellcheck disable=SC2086
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n,b" timeout 20 wine "$APP/tekuteku.scr" $tail >/dev/null 2>&1
    check "'$tail' passes the foreground window as the owner" \
        grep -q "provider=SCRSAVE hwnd=$HOST class=TekutekuPreviewHost .* arg3=0 arg4=0" "$log"
done
stop_host
# Without the override Wine's own mpr.dll is used: still status 0, the double is not called.
: >"$log"
timeout 20 wine "$APP/tekuteku.scr" /a 1234 >/dev/null 2>&1
status=$?
check "'/a 1234' with the system's MPR.DLL exits with 0 (got $status)" [ "$status" -eq 0 ]
check "the system's MPR.DLL, not the double, was used" [ ! -s "$log" ]

restore_ini
finish
