"""Reads Wine's registry files (system.reg, user.reg, userdef.reg) from Linux.

Wine keeps each hive as text: a header naming the hive's root, then one block
per key ("[Path\\\\To\\\\Key] <time>") with its values. Key paths and value names
use the same escapes as string data (\\\\, \\", \\n, \\r, \\t, \\0, \\xHHHH).
Read them only after the prefix's wineserver has ended (or `wineserver -w`):
Wine writes them lazily.
"""
import os
import re

_HEX = set("0123456789abcdefABCDEF")


def unescape(text):
    """Decodes Wine's escaped string text (no surrounding quotes)."""
    out = []
    i = 0
    simple = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t", "0": "\0",
              "a": "\a", "b": "\b", "e": "\x1b", "f": "\f", "v": "\v", "[": "[", "]": "]"}
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out.append(c)
            i += 1
            continue
        n = text[i + 1]
        if n == "x":
            j = i + 2
            while j < len(text) and j < i + 6 and text[j] in _HEX:
                j += 1
            out.append(chr(int(text[i + 2:j] or "0", 16)))
            i = j
        else:
            out.append(simple.get(n, n))
            i += 2
    # Wine writes characters outside the BMP as two \x escapes; join the pair.
    return "".join(out).encode("utf-16-le", "surrogatepass").decode("utf-16-le", "surrogatepass")


def _split_quoted(text, start):
    """Returns (raw content, index after closing quote) of a quoted token."""
    i = start + 1
    while i < len(text):
        if text[i] == "\\":
            i += 2
            continue
        if text[i] == '"':
            return text[start + 1:i], i + 1
        i += 1
    raise ValueError("unterminated string: " + text)


class Key:
    __slots__ = ("path", "values", "link")

    def __init__(self, path):
        self.path = path
        self.values = {}  # lower-case name -> (name, raw data text)
        self.link = False

    def value(self, name):
        """The value's data as text when it is a string (REG_SZ, REG_EXPAND_SZ), else None."""
        entry = self.values.get(name.lower())
        if entry is None:
            return None
        data = entry[1]
        if data.startswith('"'):
            return unescape(_split_quoted(data, 0)[0])
        if data.startswith('str(2):"'):
            return unescape(_split_quoted(data, 7)[0])
        return None

    def has_value(self, name):
        return name.lower() in self.values


class Hive:
    """One registry file: keys by lower-case path (relative to the hive's root)."""

    def __init__(self, filename):
        self.root = ""
        self.keys = {}
        self._read(filename)

    def _read(self, filename):
        with open(filename, encoding="utf-8", errors="surrogateescape") as f:
            raw_lines = f.read().split("\n")
        lines = []
        for line in raw_lines:  # join continuation lines ("...,\" + indented rest)
            if lines and lines[-1].endswith("\\") and not lines[-1].startswith("[") \
                    and line.startswith("  "):
                lines[-1] = lines[-1][:-1] + line.strip()
            else:
                lines.append(line)
        key = None
        for line in lines:
            if line.startswith(";; All keys relative to "):
                self.root = line[len(";; All keys relative to "):].replace("\\\\", "\\")
            elif line.startswith("["):
                close = line.rfind("]")
                path = unescape(line[1:close])
                key = Key(path)
                self.keys[path.lower()] = key
            elif key is None or not line or line.startswith(";"):
                continue
            elif line.startswith("#"):
                if line == "#link":
                    key.link = True
            elif line.startswith("@="):
                key.values[""] = ("", line[2:])
            elif line.startswith('"'):
                raw, end = _split_quoted(line, 0)
                name = unescape(raw)
                key.values[name.lower()] = (name, line[end + 1:])

    def link_target(self, key):
        """The hive-relative path a link key points at, or None."""
        entry = key.values.get("symboliclinkvalue")
        if not key.link or entry is None or not entry[1].startswith("hex(6):"):
            return None
        raw = bytes(int(b, 16) for b in entry[1][7:].split(",") if b)
        target = raw.decode("utf-16-le")
        for root in ("\\Registry\\Machine\\", "\\Registry\\User\\"):
            if target.lower().startswith(root.lower()):
                return target[len(root):]
        return None

    def resolve(self, path):
        """Follows the links on the way to path (as the registry would)."""
        parts = [p for p in path.split("\\") if p]
        i = 1
        while i <= len(parts):
            key = self.keys.get("\\".join(parts[:i]).lower())
            target = self.link_target(key) if key is not None else None
            if target:
                parts = [p for p in target.split("\\") if p] + parts[i:]
                i = 1
                continue
            i += 1
        return "\\".join(parts)

    def get(self, path):
        return self.keys.get(self.resolve(path).lower())

    def subkeys(self, path):
        """Names of the direct subkeys of path, in file order."""
        prefix = self.resolve(path).lower() + "\\"
        names = []
        for lower, key in self.keys.items():
            if lower.startswith(prefix) and "\\" not in lower[len(prefix):]:
                names.append(key.path[len(prefix):])
        return names

    def exists(self, path):
        """True when the key or any key below it is stored (Wine omits empty parents rarely)."""
        lower = self.resolve(path).lower()
        if lower in self.keys:
            return True
        prefix = lower + "\\"
        return any(k.startswith(prefix) for k in self.keys)


class Prefix:
    """The three hives of a Wine prefix."""

    def __init__(self, prefix):
        self.path = prefix
        self.machine = Hive(os.path.join(prefix, "system.reg"))
        self.user = Hive(os.path.join(prefix, "user.reg"))
        self.default_user = Hive(os.path.join(prefix, "userdef.reg"))

    @property
    def user_sid(self):
        return self.user.root.rsplit("\\", 1)[-1]

    def users(self):
        """The loaded user hives as HKEY_USERS sees them: (subkey name, hive)."""
        return [(".Default", self.default_user), (self.user_sid, self.user)]

    def windows_path(self, path):
        """Maps C:\\... to the Linux path inside drive_c, matching case-insensitively."""
        if len(path) < 2 or path[1] != ":" or path[0].lower() != "c":
            return None
        current = os.path.join(self.path, "drive_c")
        for part in [p for p in re.split(r"[\\/]", path[2:]) if p]:
            candidate = os.path.join(current, part)
            if not os.path.lexists(candidate):
                try:
                    match = [e for e in os.listdir(current) if e.lower() == part.lower()]
                except OSError:
                    return None
                if not match:
                    return None
                candidate = os.path.join(current, match[0])
            current = candidate
        return current
