#!/usr/bin/env bash
# Unpacks Info-ZIP UnZip 6.0 from Debian's source package, with Debian's
# patches applied, into build/unzip-src (never committed). The builds
# compile it themselves (third_party/unzip). Needs a deb-src entry
# (scripts/setup.sh adds one). Safe to run again: an unpacked tree is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${ZT_UNZIP_SOURCE_DIR:-$PWD/build/unzip-src}
if [ -f "$dest/windll/structs.h" ] && [ -f "$dest/api.c" ]; then
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Newest first; a version whose files the mirror lacks falls back to the next.
versions=$(apt-cache showsrc unzip 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | uniq)
if [ -z "$versions" ]; then
  echo "fetch-unzip: no source package of unzip is listed; run scripts/setup.sh" >&2
  exit 1
fi
for v in $versions; do
  rm -rf ./*
  if apt-get source -qq --download-only "unzip=$v" >/dev/null 2>&1; then
    dpkg-source -x --no-check unzip_*.dsc src >/dev/null
    # Debian's fix for CVE-2019-13232 calls readbuf() without the globals
    # argument that the library build (REENTRANT) passes everywhere else.
    sed -i 's/readbuf((char \*)buf, /readbuf(__G__ (char *)buf, /' src/extract.c
    grep -q 'readbuf(__G__ (char \*)buf, 12)' src/extract.c
    mkdir -p "$(dirname "$dest")"
    rm -rf "$dest.tmp"
    mv src "$dest.tmp"
    rm -rf "$dest"
    mv "$dest.tmp" "$dest"
    echo "fetch-unzip: unzip $v unpacked into $dest"
    exit 0
  fi
  echo "fetch-unzip: unzip $v could not be fetched, trying an older one" >&2
done
echo "fetch-unzip: no version of the unzip source package could be fetched" >&2
exit 1
