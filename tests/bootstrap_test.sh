#!/bin/sh
# tools/bootstrap on a mirror mid-sync, with a stand-in apt-get (and dpkg, id, locale, npm)
# first in PATH: a failed list is named and the install goes on; a failed install is tried once
# more pinned to the release; a second failure stops with a message.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
bin=$tmp/bin
mkdir -p "$bin"
fake() { printf '#!/bin/sh\n%s\n' "$2" >"$bin/$1"; chmod +x "$bin/$1"; }
fake id 'echo 0'
fake dpkg-query 'exit 1'  # every package missing
fake dpkg 'exit 0'
fake locale 'echo ja_JP.utf8'
fake npm 'exit 0'
# apt-get: logs its arguments; `update` fails as a mirror mid-sync does when $tmp/update-fails
# exists; `install` fails as long as $tmp/install-fails-N for its call number N exists.
fake apt-get "echo \"\$*\" >>$tmp/apt.log
case \$1 in
update) [ -e $tmp/update-fails ] || exit 0
        echo 'E: Failed to fetch http://deb.example/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?'
        echo 'E: Some index files failed to download.'; exit 100 ;;
*) n=\$(grep -c '^install' $tmp/apt.log); [ -e $tmp/install-fails-\$n ] && exit 100; exit 0 ;;
esac"
release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
run() { rm -f "$tmp/apt.log"; PATH=$bin:$PATH "$root/tools/bootstrap" >"$tmp/out" 2>&1; }

touch "$tmp/update-fails"
run || fail "a failed list stopped it: $(cat "$tmp/out")"
grep -q 'going on without' "$tmp/out" && grep -q 'binary-i386/Packages.xz' "$tmp/out" ||
    fail "the failed list is not named: $(cat "$tmp/out")"
[ "$(grep -c 'install' "$tmp/apt.log")" = 1 ] || fail "not installed once after the failed list"

touch "$tmp/install-fails-1"
run || fail "the pinned retry did not save it: $(cat "$tmp/out")"
grep -q "install -t ${release:-bookworm} " "$tmp/apt.log" || fail "no retry pinned to the release"
grep -q "apt-get install -t ${release:-bookworm}" "$tmp/out" || fail "the retry is not announced"

touch "$tmp/install-fails-2"
run && fail "two failed installs passed as success"
[ "$(grep -c 'install' "$tmp/apt.log")" = 2 ] || fail "not exactly one retry"
grep -q 'could not install the packages' "$tmp/out" || fail "no clear message: $(cat "$tmp/out")"
echo "bootstrap: all passed"
