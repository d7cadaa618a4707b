#!/bin/bash
# make install's layout: the hack where XScreenSaver runs hacks from, a command on the PATH,
# the man page and the settings description; the manifest that records all of them, and the
# uninstall that removes exactly those.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -u
BUILD=$1
SOURCE=$2
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
# A copy of the build's manifest is what make install keeps; this run writes the build's own.
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: install"; exit 1; }
status=0
for f in libexec/xscreensaver/tekuteku bin/tekuteku share/man/man6/tekuteku.6.gz \
         share/xscreensaver/config/tekuteku.xml share/doc/tekuteku/copyright; do
    if [ -e "$PREFIX/$f" ]; then echo "ok: $f"; else echo "FAIL: $f missing"; status=1; fi
done
"$PREFIX/bin/tekuteku" --help | grep -q -- "--root" || { echo "FAIL: bin/tekuteku does not run"; status=1; }
# The settings GUI passes these; every one must be an option the saver takes.
for arg in $(grep -o 'arg\(-set\)\?="[^"]*"' "$PREFIX/share/xscreensaver/config/tekuteku.xml" |
             sed 's/.*="\([^"]*\)"/\1/; s/ %$//; s/ .*//' | sort -u); do
    if grep -q -- "  $arg" <("$PREFIX/bin/tekuteku" --help); then echo "ok: $arg"; else
        echo "FAIL: the settings file passes $arg, which the saver does not know"; status=1; fi
done

# The manifest names every file and link installed, nothing more.
find "$PREFIX" \( -type f -o -type l \) | sort >"$PREFIX.found"
sort "$BUILD/install_manifest.txt" >"$PREFIX.recorded"
if diff -u "$PREFIX.found" "$PREFIX.recorded"; then echo "ok: the manifest lists what was installed"
else echo "FAIL: the manifest and the installed files differ"; status=1; fi
grep -qx "$PREFIX/bin/tekuteku" "$PREFIX.recorded" || { echo "FAIL: the bin link is not recorded"; status=1; }

# Uninstall removes those files and leaves a stranger's file in a shared folder alone.
echo other >"$PREFIX/share/man/man6/other.6"
"$SOURCE/tools/uninstall" "$BUILD/install_manifest.txt" >/dev/null || { echo "FAIL: uninstall"; status=1; }
left=$(find "$PREFIX" \( -type f -o -type l \))
if [ "$left" = "$PREFIX/share/man/man6/other.6" ]; then echo "ok: uninstall removed exactly the installed files"
else echo "FAIL: after uninstall: '$left'"; status=1; fi
rm -f "$PREFIX.found" "$PREFIX.recorded"
exit $status
