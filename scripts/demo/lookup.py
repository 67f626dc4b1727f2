"""Prints a value of the Uninstall entry registered for a display name, as the
removal utility's look-ups find it (32-bit view, exact name, first entry that
has the value). Usage: lookup.py PREFIX DISPLAY_NAME VALUE_NAME
Exits 1 when there is no such value."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import inventory  # noqa: E402
import suite  # noqa: E402


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__ + "\n")
        return 2
    inv = inventory.Inventory(argv[1])
    for _, key in inv.matching(suite.UNINSTALL, "DisplayName", argv[2]):
        value = key.value(argv[3])
        if value is not None:
            out = open(sys.stdout.fileno(), "w", encoding="utf-8", errors="backslashreplace", closefd=False)
            out.write(value + "\n")
            out.flush()
            return 0
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
