#!/bin/sh
# The 32-bit saver as Windows 95 on an i486 would load and run it, read with objdump (no Wine
# needed, so this also covers machines that cannot run 32-bit programs):
#   - it imports only from KERNEL32, USER32, GDI32, ADVAPI32 and WINMM (no C runtime DLL), and
#     only functions on the written list of Windows 95 functions (FUNCTIONS);
#   - its code holds no instruction an i486 lacks (Pentium and Pentium Pro additions, MMX, SSE
#     and later);
#   - its header asks for no system newer than 4.0.
set -u
: "${SCR:?}" "${FUNCTIONS:?}"
. "$(dirname "$0")/checks.sh"
objdump=i686-w64-mingw32-objdump
export LC_ALL=C
work=$(mktemp -d "${TMPDIR:-/tmp}/pe_check_win95.XXXXXX")
trap 'rm -rf "$work"' EXIT

check "the saver is a 32-bit PE file" sh -c "$objdump -f '$SCR' | grep -q 'file format pei-i386'"
$objdump -p "$SCR" >"$work/headers"

# Imports: "DLL function" per line. A function imported by ordinal has no name and is reported.
awk '/DLL Name:/ { dll = toupper($3); next }
     dll != "" && NF == 0 { dll = ""; next }
     dll != "" && /^\t[0-9a-f]+\t/ { if (NF >= 3) print dll, $3; else print dll, "(by ordinal)" }' \
    "$work/headers" | sort -u >"$work/imports"
grep -v '^#' "$FUNCTIONS" | awk 'NF == 2 { print toupper($1), $2 }' | sort -u >"$work/allowed"
dlls=$(cut -d' ' -f1 "$work/imports" | sort -u | tr '\n' ' ')
only_system_dlls() {
    for dll in $dlls; do
        case $dll in KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|WINMM.DLL) ;; *) return 1 ;; esac
    done
}
check "it imports from KERNEL32, USER32, GDI32, ADVAPI32 and WINMM only (got: $dlls)" only_system_dlls
check "it imports something from each of them ($(wc -l <"$work/imports") functions)" \
    [ "$(echo $dlls | wc -w)" -eq 5 ]
comm -23 "$work/imports" "$work/allowed" >"$work/unlisted"
check "every imported function is on the Windows 95 list (not listed: $(tr '\n' ' ' <"$work/unlisted"))" \
    [ ! -s "$work/unlisted" ]

# Code: the mnemonic and operands of every instruction in the executable sections.
$objdump -d --no-show-raw-insn "$SCR" |
    awk -F'\t' '$1 ~ /^ *[0-9a-f]+:$/ && NF >= 2 { sub(/^ +/, "", $1); print $1, $2 }' >"$work/code"
check "its code was disassembled ($(wc -l <"$work/code") instructions)" [ "$(wc -l <"$work/code")" -gt 1000 ]
# Pentium: cpuid, rdtsc, rdmsr/wrmsr, cmpxchg8b, rsm. Pentium Pro: cmov, fcmov, fcomi/fucomi,
# rdpmc, ud2, the long nop. Later: sysenter/syscall, fences, prefetch, fxsave, popcnt and the
# like, and anything on MMX, SSE or AVX registers.
pattern='^[0-9a-f]+: +(cmov[a-z]*|fcmov[a-z]*|fu?comip?|cpuid|rdtsc[a-z]*|rdmsr|wrmsr|rdpmc|'
pattern=$pattern'cmpxchg(8|16)b|rsm|ud[0-2]|nop[wlq]|sys(enter|exit|call|ret)|[lsm]fence|prefetch[a-z0-9]*|'
pattern=$pattern'fx(save|rstor)|[ls]dmxcsr|emms|femms|movnt[a-z]*|clflush[a-z]*|popcnt|lzcnt|tzcnt|movbe|'
pattern=$pattern'fisttp[a-z]*|crc32[a-z]*|xgetbv|rdrand|rdseed)( |$)|%[xyz]?mm[0-9]'
grep -E "$pattern" "$work/code" >"$work/newer"
kinds=$(awk '{ print $2 }' "$work/newer" | sort -u | tr '\n' ' ')
check "its code has no instruction an i486 lacks ($(wc -l <"$work/newer") found: $kinds)" \
    [ ! -s "$work/newer" ]
head -5 "$work/newer" | sed 's/^/     /'  # where, for the first few

# Header: Windows 95 and NT 4 refuse a file that asks for a later system.
version() { awk -v key="$1" '$1 == key { print $2 }' "$work/headers"; }
check "it asks for operating system 4.0 at most (got $(version MajorOSystemVersion).$(version MinorOSystemVersion))" \
    [ "$(version MajorOSystemVersion)" -lt 4 -o "$(version MajorOSystemVersion)$(version MinorOSystemVersion)" = 40 ]
check "it asks for subsystem 4.0 at most (got $(version MajorSubsystemVersion).$(version MinorSubsystemVersion))" \
    [ "$(version MajorSubsystemVersion)" -lt 4 -o "$(version MajorSubsystemVersion)$(version MinorSubsystemVersion)" = 40 ]

summary
