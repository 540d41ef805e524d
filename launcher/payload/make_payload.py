#!/usr/bin/env python3
"""Builds fwlauncher's payload archive at build time.

    make_payload.py OUT.zip NAME=FILE [NAME=FILE ...]

NAME is the path inside the archive ("res/Terma/Terma.ini"); every folder on
the way gets an entry of its own, so the unpacker recreates it. Entries are
deflated, dated 2026-01-01 (the same bytes on every build) and carry Unix
modes: 0755 for programs (FILE executable here), 0644 otherwise.
"""
import os
import sys
import zipfile

STAMP = (2026, 1, 1, 0, 0, 0)


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    out = argv[1]
    entries = []
    for arg in argv[2:]:
        name, sep, path = arg.partition("=")
        if not sep or not name or name.startswith("/") or ".." in name.split("/"):
            sys.exit("make_payload: bad entry %r" % arg)
        entries.append((name, path))
    folders = sorted({"/".join(n.split("/")[:i]) + "/"
                      for n, _ in entries for i in range(1, n.count("/") + 1)})
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for folder in folders:
            info = zipfile.ZipInfo(folder, STAMP)
            info.create_system = 3
            info.external_attr = (0o40755 << 16) | 0x10
            archive.writestr(info, b"")
        for name, path in sorted(entries):
            info = zipfile.ZipInfo(name, STAMP)
            info.create_system = 3
            mode = 0o755 if os.access(path, os.X_OK) else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=6)
    os.replace(tmp, out)


if __name__ == "__main__":
    main(sys.argv)
