#!/bin/bash
# The Debian package: built from this build folder with CPack, its files and control fields,
# lintian's verdict, and an install and removal with dpkg on a scratch root.
#   deb_test.sh BUILD_DIR VERSION SOURCE_DIR WINDOW (1: built with the settings window)
set -u
BUILD=$1
VERSION=$2
SOURCE=$3
WINDOW=${4:-0}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0
fail() { echo "FAIL: $*" >&2; FAILED=1; }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

validators=""
[ "$WINDOW" = 1 ] && validators="desktop-file-validate appstreamcli"
for tool in cpack dpkg-deb dpkg lintian $validators; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (tools/bootstrap installs it): skipped"; exit 77; }
done

cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/out" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; echo "FAIL: cpack"; exit 1; }
DEB=$WORK/out/tekuteku_${VERSION}_amd64.deb
check "the package is named tekuteku_${VERSION}_amd64.deb" test -f "$DEB"
[ -f "$DEB" ] || exit 1

# Exactly these files, where Debian's XScreenSaver and man look for them.
dpkg-deb -c "$DEB" >"$WORK/listing"
awk '$1 !~ /^d/ {print $6, $7, $8}' "$WORK/listing" | sed 's|^\./||; s| *$||' | sort >"$WORK/files"
cat >"$WORK/expected" <<LIST
usr/bin/tekuteku -> ../libexec/xscreensaver/tekuteku
usr/lib/systemd/user/tekuteku-idle.service
usr/libexec/xscreensaver/tekuteku
usr/share/doc/tekuteku/changelog.gz
usr/share/doc/tekuteku/copyright
usr/share/man/man6/tekuteku.6.gz
usr/share/xscreensaver/config/tekuteku.xml
LIST
# With the settings window: its menu entry, its icons and the software centres' description.
if [ "$WINDOW" = 1 ]; then
    for size in 48 128 256 512; do echo "usr/share/icons/hicolor/${size}x$size/apps/tekuteku.png"; done
    echo usr/share/applications/tekuteku-settings.desktop
    echo usr/libexec/tekuteku/tekuteku-settings
    echo usr/share/metainfo/io.github.tekuteku.metainfo.xml
fi >>"$WORK/expected"
sort -o "$WORK/expected" "$WORK/expected"
check "the package's files" diff -u "$WORK/expected" "$WORK/files"
check "the hack is executable" grep -q '^-rwxr-xr-x .*/usr/libexec/xscreensaver/tekuteku$' "$WORK/listing"

field() { dpkg-deb -f "$DEB" "$1"; }
check "Package: tekuteku" test "$(field Package)" = tekuteku
check "Version: $VERSION" test "$(field Version)" = "$VERSION"
check "Architecture: amd64" test "$(field Architecture)" = amd64
depends=$(field Depends)
check "Depends on libc ($depends)" grep -q "libc6" <<<"$depends"
check "Depends on libX11 ($depends)" grep -q "libx11-6" <<<"$depends"
for lib in libwayland-client0 libxss1 libxrandr2; do
    check "Depends on $lib, worked out from the binary" grep -q "$lib" <<<"$depends"
done
[ "$WINDOW" = 1 ] && check "Depends on GTK 4, for the settings window" grep -q "libgtk-4-1" <<<"$depends"
check "SDL is not a dependency" bash -c "! grep -qi sdl <<<'$depends'"
check "SDL is recommended" grep -q "libsdl2-2.0-0" <<<"$(field Recommends)"
check "a synopsis and a long description" test "$(field Description | wc -l)" -ge 3

# The changelog's newest entry is this version: bump both together.
dpkg-deb -x "$DEB" "$WORK/tree"
top=$(zcat "$WORK/tree/usr/share/doc/tekuteku/changelog.gz" | head -1)
check "the changelog starts with this version ($top)" grep -q "^tekuteku ($VERSION) " <<<"$top"
check "the saver itself needs no GTK" bash -c \
    "! objdump -p '$WORK/tree/usr/libexec/xscreensaver/tekuteku' | grep -q 'NEEDED.*gtk'"
check "the man page is gzip" gzip -t "$WORK/tree/usr/share/man/man6/tekuteku.6.gz"
# Machine-readable (lintian reads it below), and its licence text is LICENSE's word for word.
copyright=$WORK/tree/usr/share/doc/tekuteku/copyright
check "the copyright file is in the machine-readable format" \
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright"
sed -n '/^ Permission is hereby/,$p' "$copyright" | sed 's/^ //; s/^\.$//' >"$WORK/licence"
sed -n '/^Permission is hereby/,$p' "$SOURCE/LICENSE" >"$WORK/licence.expected"
check "its licence is the one in LICENSE" diff -u "$WORK/licence.expected" "$WORK/licence"
check "the settings file is the one in the sources" \
    cmp "$WORK/tree/usr/share/xscreensaver/config/tekuteku.xml" "$SOURCE/linux/tekuteku.xml"

if [ "$WINDOW" = 1 ]; then
    share=$WORK/tree/usr/share
    check "desktop-file-validate passes the menu entry" \
        desktop-file-validate "$share/applications/tekuteku-settings.desktop"
    check "the menu entry opens the settings window" \
        grep -qx "Exec=tekuteku --settings" "$share/applications/tekuteku-settings.desktop"
    metainfo=$share/metainfo/io.github.tekuteku.metainfo.xml
    check "appstreamcli validate --no-net passes the metainfo" appstreamcli validate --no-net "$metainfo"
    check "the metainfo's release is this version" grep -q "<release version=\"$VERSION\"" "$metainfo"
    for shot in $(sed -n 's|.*<image>.*/docs/\([^<]*\)</image>.*|\1|p' "$metainfo"); do
        check "its screenshot $shot is one of docs/" test -f "$SOURCE/docs/$shot"
    done
    for size in 48 128 256 512; do
        check "the ${size}-pixel icon is a PNG of that size" grep -q "PNG image data, $size x $size," \
            <(file "$share/icons/hicolor/${size}x$size/apps/tekuteku.png")
    done
fi

# The user unit: systemd-analyze accepts it, with the command it names (found on systemd's
# fixed search path once installed) taken from the package.
unit=$WORK/tree/usr/lib/systemd/user/tekuteku-idle.service
check "the unit runs tekuteku --idle 600" grep -qx "ExecStart=tekuteku --idle 600" "$unit"
if command -v systemd-analyze >/dev/null; then
    mkdir -m 700 "$WORK/run" "$WORK/unit"
    sed "s|^ExecStart=tekuteku|ExecStart=$WORK/tree/usr/bin/tekuteku|" "$unit" >"$WORK/unit/${unit##*/}"
    verdict=$(XDG_RUNTIME_DIR=$WORK/run systemd-analyze --user verify --man=no "$WORK/unit/${unit##*/}" 2>&1)
    status=$?
    check "systemd-analyze verify accepts the unit, without a word${verdict:+ ($verdict)}" \
        test "$status" = 0 -a -z "$verdict"
fi

lintian --tag-display-limit 0 "$DEB" 2>&1 | grep -v "running with root privileges" >"$WORK/lintian.out"
echo "lintian says:"; sed 's/^/  /' "$WORK/lintian.out"
check "lintian: no errors or warnings" bash -c "! grep -q '^[EW]:' '$WORK/lintian.out'"

# Installed and removed on a scratch root: dpkg's own bookkeeping, nothing left behind.
# (--force-depends: the scratch root has no libc or libX11 packages recorded.)
ROOT=$WORK/root
mkdir -p "$ROOT/var/lib/dpkg/info" "$ROOT/var/lib/dpkg/updates"
touch "$ROOT/var/lib/dpkg/status"
dpkg_quiet() { dpkg --root="$ROOT" "$@" >>"$WORK/dpkg.log" 2>&1; }
check "dpkg installs it" dpkg_quiet --force-depends -i "$DEB"
check "dpkg records it as installed" bash -c "dpkg --root='$ROOT' -s tekuteku | grep -q '^Status: install ok installed'"
check "the installed command runs" bash -c "'$ROOT/usr/bin/tekuteku' --help | grep -q -- --root"
[ "$WINDOW" = 1 ] && check "the installed --settings finds the settings window" bash -c \
    "env -u DISPLAY -u WAYLAND_DISPLAY '$ROOT/usr/bin/tekuteku' --settings 2>&1 | grep -q 'needs a display'"
check "dpkg removes it" dpkg_quiet -r tekuteku
left=$(find "$ROOT/usr" \( -type f -o -type l \) 2>/dev/null)
check "nothing of it is left ($left)" test -z "$left"
[ "$FAILED" = 0 ] || { cat "$WORK/dpkg.log"; exit 1; }
echo "all passed"
