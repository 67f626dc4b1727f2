"""scripts/snapshot.py for the emulated machine, where reading every file of
the prefix costs minutes: files under C:\\windows are compared by size and
time instead of content (what the suite touches there, the cached .msi
packages, comes and goes as a whole file)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "scripts"))
import snapshot  # noqa: E402

_digest = snapshot.digest


def cheap_digest(path):
    if "/drive_c/windows/" in path:
        return "%d" % os.stat(path).st_mtime_ns
    return _digest(path)


snapshot.digest = cheap_digest
if __name__ == "__main__":
    sys.exit(snapshot.main(sys.argv))
