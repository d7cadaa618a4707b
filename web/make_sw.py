#!/usr/bin/env python3
"""Writes the page's service worker from its template: the files it keeps for offline use and a
cache name made of the release number and a hash of every file of the page, so each build that
changes any of them gets a cache of its own.

    make_sw.py TEMPLATE OUT_DIR VERSION KEPT_FILES... -- OTHER_FILES...
KEPT_FILES are cached when the worker is installed; OTHER_FILES (fetched later) only count
towards the hash. The worker is written to OUT_DIR/sw.js.
"""
import hashlib
import os
import sys


def main():
    args = sys.argv[1:]
    if len(args) < 4 or '--' not in args:
        sys.exit(__doc__)
    template, out_dir, version = args[:3]
    split = args.index('--')
    kept, others = args[3:split], args[split + 1:]
    digest = hashlib.sha256()
    for name in sorted(kept + others):
        with open(os.path.join(out_dir, name), 'rb') as f:
            digest.update(name.encode() + b'\0' + hashlib.sha256(f.read()).digest())
    with open(template, encoding='utf-8') as f:
        text = f.read()
    files = ', '.join(f"'{name}'" for name in ['./'] + kept)
    text = text.replace('@CACHE@', f'tekuteku-{version}-{digest.hexdigest()[:16]}').replace('@FILES@', files)
    with open(os.path.join(out_dir, 'sw.js'), 'w', encoding='utf-8') as f:
        f.write(text)


if __name__ == '__main__':
    main()
