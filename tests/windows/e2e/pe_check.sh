#!/bin/sh
# The built files as the system loads them, read with objdump (no Wine needed, so this also
# covers builds this machine cannot run): the saver is one GUI executable that needs only
# system DLLs, no C runtime DLL either, and leaves the password, password-change and
# input-method libraries to be loaded by name at run time; the test doubles export the names
# the saver looks up, undecorated.
set -u
: "${SCR:?}" "${DOUBLES:?}"
. "$(dirname "$0")/checks.sh"
objdump=x86_64-w64-mingw32-objdump   # reads both PE32 and PE32+
# objdump translates its headings; the checks read the untranslated ones.
export LC_ALL=C

has_word() { case " $1 " in *" $2 "*) return 0 ;; esac; return 1; }
only_system_dlls() {
    for dll in $1; do
        case $dll in
            KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|WINMM.DLL) ;;
            *) return 1 ;;
        esac
    done
}
exports() {
    $objdump -p "$1" | awk '/Ordinal\/Name Pointer/ { on = 1; next } on && NF == 0 { on = 0 } on { print $NF }' |
        tr '\n' ' '
}

headers=$($objdump -p "$SCR")
imports=$(echo "$headers" | awk '/DLL Name:/ { print toupper($3) }' | sort -u | tr '\n' ' ')
check "the saver is a Windows GUI program" has_word "$(echo "$headers" | grep Subsystem)" "GUI)"
check "the saver imports only system DLLs (got: $imports)" only_system_dlls "$imports"
for dll in PASSWORD.CPL MPR.DLL IMM32.DLL; do
    check "the saver does not link $dll (it is loaded by name when needed)" \
        eval "! has_word '$imports' '$dll'"
done
check "the saver carries its resources" has_word "$($objdump -h "$SCR" | awk '{ print $2 }' | tr '\n' ' ')" .rsrc

cpl=$(exports "$DOUBLES/PASSWORD.CPL")
mpr=$(exports "$DOUBLES/MPR.DLL")
check "PASSWORD.CPL exports VerifyScreenSavePwd undecorated (got: $cpl)" has_word "$cpl" VerifyScreenSavePwd
check "MPR.DLL exports PwdChangePasswordA undecorated (got: $mpr)" has_word "$mpr" PwdChangePasswordA

summary
