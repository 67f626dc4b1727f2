#!/usr/bin/env bash
# The operator's removal of everything, end to end, on a fresh copy of the demo
# machine: ZEMRemove.exe without arguments opens its dialog; dialog_driver.exe
# reads the list, presses "Remove All", confirms, reads the summary and the log
# and closes the dialog. Then the same footprint check as the silent cases:
# the suite is gone, nothing that is not the suite's changed.
# Needs a display (DISPLAY set before the Wine session starts).
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
source "$ZEM_SOURCE_DIR/tests/shell/e2e_lib.sh"
e2e="$ZEM_RUN_DIR/e2e"
prefix="$e2e/dialog-remove-all"

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "FAIL: no display: the dialog cannot open (run under scripts/test.sh or scripts/display.sh)"
  exit 1
fi
e2e_copy "$e2e/template" "$prefix"

# What the demo machine installs (scripts/demo-machine.txt), as the list shows
# it: the name each recipe finds registered, or its own name where there is no
# registration (the logging service, DLP, the databases), and the version;
# the relay and MSDE recipes find none ("unknown").
expected_rows=$(printf '%s\n' \
  $'Microsoft SQL Server Desktop Engine\tunknown' \
  $'Varnek Client Logging Service\t7.1.1.120' \
  $'Varnek DLP\t3.2.0.48' \
  $'Varnek Databases\t7.1.315' \
  $'Varnek Enterprise Client\t7.1.1.315' \
  $'Varnek Enterprise Relay\tunknown' \
  $'Varnek Enterprise Server\t7.1.1.315' \
  $'Varnek Enterprise Suite API\t7.1.0.20' \
  $'Varnek Enterprise Suite Installation Generator\t7.1.1.315' \
  $'\u00bbVarnek Enterprise Console\u00ab\t7.1.1.315' | LC_ALL=C sort)
# Removal order: platform API, console, relay, server, DLP, logging service,
# client, databases, installation generator, MSDE.
removal_order=("Varnek Enterprise Suite API" $'\u00bbVarnek Enterprise Console\u00ab' "Varnek Enterprise Relay"
  "Varnek Enterprise Server" "Varnek DLP" "Varnek Client Logging Service" "Varnek Enterprise Client"
  "Varnek Databases" "Varnek Enterprise Suite Installation Generator" "Microsoft SQL Server Desktop Engine")

wineserver -p
timeout -k 5 60 "$WINELOADER" wineboot </dev/null >/dev/null 2>&1 || true
e2e_dialog remove-all "$prefix.dialog" "$expected_rows" 240
e2e_end_session

# The log: every product's detection banner, the removal banners in removal
# order, and after the last of them the root clean-up's lines.
e2e_text "$prefix.dialog/log.txt" >"$prefix.log"
python3 - "$prefix.log" "${removal_order[@]}" <<'PY' || fail "the log pane (above)"
import sys
log, names = open(sys.argv[1], encoding="utf-8").read(), sys.argv[2:]
stars, xs = "*" * 50, "x" * 50
problems = []
def at(text, after=0):
    where = log.find(text, after)
    if where < 0:
        problems.append("missing after offset %d: %r" % (after, text))
    return where
for name in names:
    at("\n%s\n* Detecting %s\n%s\n" % (stars, name, stars))
place = 0
for name in names:
    place = max(place, at("\n%s\nx Removing %s\n%s\n" % (xs, name, xs), place))
place = at("\nNo more products installed. Removing root folders and reg keys...\n", place)
at("\n%s\nx Removing Varnek root folders and registry keys\n%s\n" % (xs, xs), max(place, 0))
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
PY

# Nothing of the suite is left, and nothing that is not the suite's changed.
# The uninstallers are GUI programs, as real setups are: none may bring up a
# console (Wine's console host would write its defaults to HKCU\Console).
e2e_footprint "$prefix" "$e2e/template.json" "$e2e/installed.txt" "all roots"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
