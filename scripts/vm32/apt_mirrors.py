"""Prints the machine's own apt sources for one release as one-line "deb"
entries, for mmdebstrap: from /etc/apt/sources.list, *.list and deb822
*.sources files alike. Only entries whose suite belongs to the release
(bookworm, bookworm-updates, bookworm-security, ...) are kept, so that
third-party repositories never reach the guest.

Usage: apt_mirrors.py RELEASE
"""
import glob
import os
import sys


def one_line_entries(path):
    for raw in open(path, encoding="utf-8", errors="replace"):
        line = raw.split("#", 1)[0].strip()
        if not line.startswith("deb "):
            continue
        words = line.split()[1:]
        if words and words[0].startswith("["):  # options: [arch=... signed-by=...]
            while words and not words[0].endswith("]"):
                words.pop(0)
            words.pop(0)
        if len(words) >= 3:
            yield words[0], [words[1]], words[2:]


def deb822_entries(path):
    stanzas = open(path, encoding="utf-8", errors="replace").read().split("\n\n")
    for stanza in stanzas:
        fields = {}
        for raw in stanza.splitlines():
            if raw.startswith("#") or ":" not in raw or raw[0].isspace():
                continue
            name, value = raw.split(":", 1)
            fields[name.strip().lower()] = value.split()
        if "deb" not in fields.get("types", []) or fields.get("enabled", ["yes"])[0] == "no":
            continue
        for uri in fields.get("uris", []):
            yield uri, fields.get("suites", []), fields.get("components", [])


def main(argv):
    release = argv[1]
    files = ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list"))
    seen = []
    for path in files + sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
        if not os.path.isfile(path):
            continue
        entries = deb822_entries(path) if path.endswith(".sources") else one_line_entries(path)
        for uri, suites, components in entries:
            for suite in suites:
                if suite == release or suite.startswith(release + "-") or suite.startswith(release + "/"):
                    line = "deb %s %s %s" % (uri, suite, " ".join(components))
                    if line not in seen:
                        seen.append(line)
    if not seen:
        sys.stderr.write("apt_mirrors: no apt source for %s on this machine\n" % release)
        return 1
    print("\n".join(seen))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
