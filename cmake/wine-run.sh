#!/bin/sh
# Runs a Windows test program under Wine; the test environment (DISPLAY, WINEPREFIX) comes from the caller.
# Debian's wine wrapper always takes the 32-bit loader, which fails on a kernel that cannot run
# 32-bit Linux programs: 64-bit test programs then go straight to wine64.
if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export WINELOADER=/usr/lib/wine/wine64
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
