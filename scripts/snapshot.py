#!/usr/bin/env python3
"""Snapshots a whole Wine prefix and compares two snapshots.

  snapshot.py take PREFIX OUT.json      every registry key and value of system.reg,
                                        user.reg and userdef.reg, every file,
                                        folder and link under drive_c (files by
                                        size and content digest, not by time),
                                        and a demo machine's data sources and
                                        databases (PREFIX/odbc)
  snapshot.py diff OLD NEW              OLD and NEW are snapshot files or prefixes;
                                        prints "added", "removed" and "changed"
                                        items, one a line; exits 0 when there is
                                        no difference, 3 when there is one (1 is
                                        what Python answers when it fails)
  options of diff: --all                also show what Wine itself rewrites at every start
                   --ignore REGEX       leave out items matching REGEX (repeatable)

Items read "reg <hive>\\<key>", "reg <hive>\\<key>:[<value>]" (value data as Wine
stores it), "dir C:\\...", "file C:\\...", "link C:\\...", "odbc <ini file>
[<section>]" (with ":<key>" for its values) and "sql <state line>". The prefix's
wineserver must have ended: Wine writes the registry files lazily.
"""
import hashlib
import json
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo"))
import machine_odbc  # noqa: E402
import winereg  # noqa: E402

HIVES = [("HKLM", "system.reg"), ("HKCU", "user.reg"), ("HKU\\.Default", "userdef.reg")]

# What Wine rewrites by itself, found by snapshotting a prefix around a harmless
# "wine cmd /c exit", with and without a display (tests/shell/snapshot_test.sh
# checks that two sessions differ in nothing else):
WINE_VOLATILE = [
    # every start: the display driver's date stamp (Wine 10 files it under the
    # control set that CurrentControlSet links to)
    r"^reg HKLM\\System\\(CurrentControlSet|ControlSet001)\\Control\\Class\\\{[0-9A-F-]+\}\\\d{4}:\[DriverDateData\]$",
    # the first start of a newly created prefix: device classes and network cards settle
    r"^reg HKLM\\System\\(CurrentControlSet|ControlSet001)\\Control\\Class\\\{(4D36E968|4D36E96E)-E325-11CE-BFC1-08002BE10318\}:\[\]$",
    r"^reg HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards(\\|:|$)",
    # the first console a program opens in the prefix: Wine 10's console host
    # writes its default settings
    r"^reg HKCU\\Console(:\[[^\]]*\])?$",
]


def registry_items(prefix):
    items = {}
    for label, filename in HIVES:
        hive = winereg.Hive(os.path.join(prefix, filename))
        for key in hive.keys.values():
            path = label + "\\" + key.path
            items["reg " + path] = "link" if key.link else "key"
            for name, data in key.values.values():
                items["reg %s:[%s]" % (path, name)] = data
    return items


def digest(path):
    h = hashlib.sha1()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def file_items(prefix):
    items = {}
    drive = os.path.join(prefix, "drive_c")
    for folder, dirs, files in os.walk(drive):
        rel = os.path.relpath(folder, drive)
        base = "C:\\" if rel == "." else "C:\\" + rel.replace("/", "\\") + "\\"
        for name in dirs + files:
            full = os.path.join(folder, name)
            if os.path.islink(full):
                items["link " + base + name] = os.readlink(full)
            elif os.path.isdir(full):
                items["dir " + base + name] = ""
            else:
                items["file " + base + name] = "%d %s" % (os.path.getsize(full), digest(full))
        dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))]
    return items


def take(prefix):
    items = registry_items(prefix)
    items.update(file_items(prefix))
    items.update(machine_odbc.snapshot_items(prefix))
    return items


def load(source):
    if os.path.isdir(source):
        return take(source)
    with open(source, encoding="utf-8") as f:
        return json.load(f)


def compare(old, new, ignore):
    """Sorted lines "added|removed|changed <item>" of what differs."""
    patterns = [re.compile(p, re.IGNORECASE) for p in ignore]
    lines = []
    for item in sorted(set(old) | set(new)):
        if any(p.search(item) for p in patterns):
            continue
        if item not in old:
            lines.append("added " + item)
        elif item not in new:
            lines.append("removed " + item)
        elif old[item] != new[item]:
            lines.append("changed " + item)
    return lines


def main(argv):
    args = argv[1:]
    if len(args) == 3 and args[0] == "take":
        with open(args[2], "w", encoding="utf-8") as f:
            json.dump(take(args[1]), f, sort_keys=True, indent=0)
        return 0
    if len(args) >= 3 and args[0] == "diff":
        ignore = list(WINE_VOLATILE)
        rest = args[3:]
        while rest:
            if rest[0] == "--all":
                ignore = [p for p in ignore if p not in WINE_VOLATILE]
                rest = rest[1:]
            elif rest[0] == "--ignore" and len(rest) > 1:
                ignore.append(rest[1])
                rest = rest[2:]
            else:
                sys.stderr.write(__doc__)
                return 2
        lines = compare(load(args[1]), load(args[2]), ignore)
        out = open(sys.stdout.fileno(), "w", encoding="utf-8", errors="backslashreplace", closefd=False)
        for line in lines:
            out.write(line + "\n")
        out.flush()
        return 3 if lines else 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
