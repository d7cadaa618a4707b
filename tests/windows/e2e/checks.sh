# Counted checks, shared by the test scripts here (sourced; needs no Wine):
#   check "description" command...   passes when the command succeeds
#   summary                           prints the tally; fails when any check failed
failures=0
checks=0
started=$(date +%s.%N)
say() { printf '%s\n' "$*"; }
elapsed() { awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { printf "%5.1fs", n - s }'; }
pass() { checks=$((checks + 1)); say "ok   $(elapsed) $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); say "FAIL $(elapsed) $*"; }
check() {
    _check_label=$1; shift
    if "$@"; then pass "$_check_label"; else fail "$_check_label"; fi
}
summary() {
    say "$checks checks, $failures failed"
    [ "$failures" -eq 0 ]
}
