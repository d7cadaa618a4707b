#!/bin/sh
# Runs a Windows test program under Wine. The environment (DISPLAY, WINEPREFIX) comes from the
# caller, normally tools/with-wine; a bare `ctest` without one gets a fresh with-wine setup.
if [ "${TEKUTEKU_WITH_WINE:-}" != 1 ] && [ -z "${WINEPREFIX:-}" ]; then
    arch=win32
    if x86_64-w64-mingw32-objdump -f "$1" 2>/dev/null | grep -q 'pei-x86-64'; then arch=win64; fi
    exec "$(dirname "$0")/../tools/with-wine" --arch "$arch" "$0" "$@"
fi
# Debian's wine wrapper always takes the 32-bit loader, which fails on a kernel that cannot run
# 32-bit Linux programs: 64-bit test programs then go straight to wine64.
if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export WINELOADER=/usr/lib/wine/wine64
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
