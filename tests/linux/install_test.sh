#!/bin/bash
# make install's layout: the hack where XScreenSaver runs hacks from, a command on the PATH,
# the man page and the settings description.
set -u
BUILD=$1
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: install"; exit 1; }
status=0
for f in libexec/xscreensaver/tekuteku bin/tekuteku share/man/man6/tekuteku.6 \
         share/xscreensaver/config/tekuteku.xml; do
    if [ -e "$PREFIX/$f" ]; then echo "ok: $f"; else echo "FAIL: $f missing"; status=1; fi
done
"$PREFIX/bin/tekuteku" --help | grep -q -- "--root" || { echo "FAIL: bin/tekuteku does not run"; status=1; }
# The settings GUI passes these; every one must be an option the saver takes.
for arg in $(grep -o 'arg\(-set\)\?="[^"]*"' "$PREFIX/share/xscreensaver/config/tekuteku.xml" |
             sed 's/.*="\([^"]*\)"/\1/; s/ %$//; s/ .*//' | sort -u); do
    if grep -q -- "  $arg" <("$PREFIX/bin/tekuteku" --help); then echo "ok: $arg"; else
        echo "FAIL: the settings file passes $arg, which the saver does not know"; status=1; fi
done
exit $status
