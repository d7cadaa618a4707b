#!/bin/sh
# pe_check_win95.sh finds what it is there to find: on a program that imports a C runtime DLL
# and holds Pentium and Pentium Pro instructions it fails, naming each fault.
set -u
: "${SAMPLE:?}" "${FUNCTIONS:?}"
out=$(SCR="$SAMPLE" FUNCTIONS="$FUNCTIONS" sh "$(dirname "$0")/pe_check_win95.sh")
status=$?
echo "$out"
failures=0
expect() {
    if echo "$out" | grep -q "$1"; then echo "ok   found: $1"; else echo "FAIL not found: $1"; failures=$((failures + 1)); fi
}
expect '^FAIL it imports from KERNEL32, USER32, GDI32, ADVAPI32 and WINMM only.*MSVCRT.DLL'
expect '^FAIL every imported function is on the Windows 95 list.*MSVCRT.DLL '
expect '^FAIL its code has no instruction an i486 lacks.* cmovne '
expect '^FAIL its code has no instruction an i486 lacks.* rdtsc '
expect '^FAIL its code has no instruction an i486 lacks.* emms '
[ "$status" -ne 0 ] || { echo "FAIL the check passed the sample"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
