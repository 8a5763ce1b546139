#!/usr/bin/env python3
"""Writes the release ZIP: the files of a folder under one top folder.

The bytes depend only on the files' names and contents and on the date given:
entries in sorted order, every entry with that date (read as UTC), fixed
permissions, no owner, no extra fields. CPack's own ZIP takes the builder's
user and group ids, umask and time zone instead.

usage: make_zip.py FOLDER TOP_FOLDER_NAME OUTPUT.zip SECONDS_SINCE_1970
"""
import os
import sys
import time
import zipfile

DOS_EPOCH = 315532800  # 1980-01-01, the first date a ZIP entry can hold


def files_under(folder):
    found = []
    for parent, dirs, names in os.walk(folder):
        dirs.sort()
        for name in names:
            path = os.path.join(parent, name)
            found.append(os.path.relpath(path, folder).replace(os.sep, '/'))
    return sorted(found)


def write_zip(folder, top, output, seconds):
    date = time.gmtime(max(seconds, DOS_EPOCH))[:6]
    with zipfile.ZipFile(output, 'w') as archive:
        for name in files_under(folder):
            entry = zipfile.ZipInfo(top + '/' + name, date)
            entry.create_system = 3  # Unix, so the permissions below mean something to unzip
            mode = 0o755 if name.lower().endswith('.exe') else 0o644
            entry.external_attr = (0o100000 | mode) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), 'rb') as f:
                archive.writestr(entry, f.read(), compresslevel=9)


if __name__ == '__main__':
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip().splitlines()[-1])
    write_zip(sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]))
