#!/bin/bash
# The release files in dist/ (`make dist deb`) are the same, byte for byte, as those from a
# second build of the same sources in another folder, later: both .scr files, the zip and the
# .deb. The second build makes only what the release files need.
#   tests/reproducible_test.sh VERSION     (from the top of the tree; SOURCE_DATE_EPOCH set)
set -u
VERSION=$1
: "${SOURCE_DATE_EPOCH:?the Makefile sets it}"
TOP=$PWD
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tekuteku-rebuild.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
FAILED=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2; FAILED=1; fi; }
quiet() { "$@" >>"$WORK/build.log" 2>&1 || { tail -30 "$WORK/build.log"; echo "FAIL: $*" >&2; exit 1; }; }

command -v git >/dev/null && git rev-parse --git-dir >/dev/null 2>&1 ||
    { echo "not a git checkout: which files are sources is unknown, skipped"; exit 77; }

# The sources as they are now, committed or not, in a folder of another name and depth.
SRC=$WORK/elsewhere/tekuteku-src
mkdir -p "$SRC"
git ls-files -z --cached --others --exclude-standard |
    tar --null --no-recursion --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$SRC"

echo "building again in $SRC"
unset MAKEFLAGS MFLAGS MAKELEVEL  # a build of its own, not part of the calling make's
quiet make -C "$SRC" --no-print-directory dist JOBS=2
# The package's targets only; cpack would otherwise build all of them first.
cd "$SRC"
quiet cmake --preset native -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
quiet cmake --build build/native -j 2 --target tekuteku_package
quiet cpack --config build/native/CPackConfig.cmake -B build/packages
quiet cp "build/packages/tekuteku_${VERSION}_amd64.deb" dist/
quiet tools/dist/write-sums "$VERSION"
cd "$TOP"

# dist/SHA256SUMS matches dist/'s files (tests/dist_test.sh checks it), so equal lists are equal files.
check "the second build made the four release files" test "$(wc -l <"$SRC/dist/SHA256SUMS")" = 4
check "both builds give the same bytes (their SHA256SUMS)" diff -u dist/SHA256SUMS "$SRC/dist/SHA256SUMS"
[ "$FAILED" = 0 ] && echo "all passed"
exit $FAILED
