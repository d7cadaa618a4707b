#!/bin/sh
# pe_check_win95.sh finds what it is there to find: on a program that imports a C runtime DLL
# and holds Pentium and Pentium Pro instructions it fails, naming each fault.
set -u
: "${SAMPLE:?}" "${FUNCTIONS:?}"
out=$(SCR="$SAMPLE" FUNCTIONS="$FUNCTIONS" sh "$(dirname "$0")/pe_check_win95.sh")
status=$?
echo "$out"
. "$(dirname "$0")/checks.sh"
# expect PATTERN: a failed check of the sample's report matches it (after the time column).
found() { echo "$out" | grep -q "^FAIL *[0-9.]*s $1"; }
expect() { check "found: $1" found "$1"; }
expect 'it imports from KERNEL32, USER32, GDI32, ADVAPI32 and WINMM only.*MSVCRT.DLL'
expect 'every imported function is on the Windows 95 list.*MSVCRT.DLL '
expect 'its code has no instruction an i486 lacks.* cmovne '
expect 'its code has no instruction an i486 lacks.* rdtsc '
expect 'its code has no instruction an i486 lacks.* emms '
check "the check fails the sample (status $status)" [ "$status" -ne 0 ]
summary
