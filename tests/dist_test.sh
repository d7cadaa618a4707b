#!/bin/bash
# The Windows release archive: its members, each saver byte for byte the one in dist/, a README
# that Notepad shows in Japanese and English with the licence, and the checksums beside it.
#   tests/dist_test.sh ZIP DIST_DIR     (from the top of the tree)
set -u
ZIP=$1
DIST=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2; FAILED=1; fi; }

check "the archive is whole" unzip -tq "$ZIP"
unzip -Z1 "$ZIP" | sort >"$WORK/members"
printf '%s\n' README.txt win32/tekuteku.scr win64/tekuteku.scr >"$WORK/expected"
check "its members: README.txt and one saver per architecture" diff -u "$WORK/expected" "$WORK/members"
for arch in win32 win64; do
    unzip -p "$ZIP" "$arch/tekuteku.scr" >"$WORK/$arch.scr"
    check "$arch/tekuteku.scr is dist/$arch/tekuteku.scr byte for byte" cmp "$WORK/$arch.scr" "$DIST/$arch/tekuteku.scr"
done
unzip -p "$ZIP" README.txt >"$WORK/README.txt"
check "README.txt starts with a byte order mark" test "$(head -c 3 "$WORK/README.txt" | od -An -tx1 | tr -d ' ')" = efbbbf
check "README.txt has CRLF line ends only" test "$(grep -c $'\r$' "$WORK/README.txt")" = "$(wc -l <"$WORK/README.txt")"
check "README.txt is valid UTF-8" iconv -f UTF-8 -t UTF-8 "$WORK/README.txt" -o /dev/null
check "README.txt in Japanese" grep -q "インストール" "$WORK/README.txt"
check "README.txt in English" grep -q "Installing" "$WORK/README.txt"
check "README.txt names where the settings live" grep -q "control.ini" "$WORK/README.txt"
tr -d '\r' <"$WORK/README.txt" | tail -n "$(wc -l <LICENSE)" >"$WORK/licence"
check "README.txt ends with the licence" cmp "$WORK/licence" LICENSE
check "SHA256SUMS holds the archive's checksum" grep -q " $(basename "$ZIP")\$" "$DIST/SHA256SUMS"
check "the checksums in SHA256SUMS match" sh -c "cd '$DIST' && sha256sum --quiet -c SHA256SUMS"
[ "$FAILED" = 0 ] && echo "all passed"
exit $FAILED
