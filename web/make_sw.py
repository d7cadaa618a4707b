#!/usr/bin/env python3
"""Writes the page's service worker from its template: the files it keeps for offline use and a
cache name made of the release number and a hash of every file of the page, so each build that
changes any of them gets a cache of its own.

    make_sw.py TEMPLATE OUT_DIR VERSION NEEDED_FILES... -- EXTRA_FILES... -- OTHER_FILES...
NEEDED_FILES are cached when the worker is installed, or it is not installed; EXTRA_FILES are
cached then too when they are there; OTHER_FILES (fetched later) only count towards the hash.
The worker is written to OUT_DIR/sw.js.
"""
import hashlib
import os
import sys


def quoted(names):
    return ', '.join(f"'{name}'" for name in names)


def main():
    args = sys.argv[1:]
    if len(args) < 4 or args.count('--') != 2:
        sys.exit(__doc__)
    template, out_dir, version = args[:3]
    first = args.index('--')
    second = args.index('--', first + 1)
    needed, extras, others = args[3:first], args[first + 1:second], args[second + 1:]
    digest = hashlib.sha256()
    for name in sorted(needed + extras + others):
        with open(os.path.join(out_dir, name), 'rb') as f:
            digest.update(name.encode() + b'\0' + hashlib.sha256(f.read()).digest())
    with open(template, encoding='utf-8') as f:
        text = f.read()
    text = (text.replace('@CACHE@', f'tekuteku-{version}-{digest.hexdigest()[:16]}')
            .replace('@FILES@', quoted(['./'] + needed)).replace('@EXTRAS@', quoted(extras)))
    with open(os.path.join(out_dir, 'sw.js'), 'w', encoding='utf-8') as f:
        f.write(text)


if __name__ == '__main__':
    main()
