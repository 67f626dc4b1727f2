#!/usr/bin/env bash
# Builds the demo machine: installs a realistic Varnek suite, with things of
# other vendors and users around it, into a Wine prefix.
#   scripts/demo-machine.sh [PREFIX]
# PREFIX defaults to the prefix of scripts/wine-env.sh; use a fresh copy of the
# test prefix (cp -a build/wineprefix <dir>), never the tests' own prefix.
# Needs demo_service.exe and standin_setup.exe in the build's bin folder
# (cmake --build build --target demo_service standin_setup), and for removing
# its databases the stand-in SQL Server driver and installer library
# (--target zem_odbc_driver zem_standin_odbccp32).
# What it creates: scripts/demo-machine.txt. The prefix's Wine session is
# ended at the end, so that its registry files are written.
set -euo pipefail
if [ $# -gt 0 ]; then
  # Never fall back to the tests' own prefix: a wrong argument is an error.
  if [ ! -f "$1/system.reg" ]; then
    echo "demo-machine: $1 is no Wine prefix" >&2
    exit 2
  fi
  WINEPREFIX_OVERRIDE="$(cd "$1" && pwd)"
  export WINEPREFIX_OVERRIDE
fi
source "$(dirname "$0")/wine-env.sh"

if [ "$(cd "$WINEPREFIX" 2>/dev/null && pwd)" = "$(cd "$ZEM_RUN_DIR/wineprefix" 2>/dev/null && pwd)" ]; then
  echo "demo-machine: $WINEPREFIX is the tests' own prefix; build the demo in a copy:" >&2
  echo "  cp -a $ZEM_RUN_DIR/wineprefix <dir> && $0 <dir>" >&2
  exit 1
fi

bin="$ZEM_BUILD_DIR/bin"
for fixture in demo_service standin_setup; do
  if [ ! -f "$bin/$fixture.exe" ]; then
    echo "demo-machine: $bin/$fixture.exe is missing; build it with: cmake --build $ZEM_BUILD_DIR --target $fixture" >&2
    exit 1
  fi
done
# The machine's own ODBC set-up starts from the build's driver registration.
if [ ! -f "$ZEM_BUILD_DIR/odbc/odbcinst.ini" ]; then
  echo "demo-machine: $ZEM_BUILD_DIR/odbc/odbcinst.ini is missing; configure the build (cmake --preset wine)" >&2
  exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "demo-machine: $WINEPREFIX is no Wine prefix" >&2
  exit 1
fi

work="$(mktemp -d)"
# A failed or hung build must not leave the prefix's session running.
trap 'timeout 60 wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

# The builder edits system.reg once before Wine starts: no session may be open.
timeout 60 wineserver -k 2>/dev/null || true
timeout 60 wineserver -w 2>/dev/null || true

python3 "$ZEM_SOURCE_DIR/scripts/demo/build_machine.py" "$WINEPREFIX" "$bin" "$work" >/dev/null

# Ending the session writes the registry files; the services start again with
# the next session, as they would at boot.
timeout 60 wineserver -k 2>/dev/null || true
timeout 60 wineserver -w 2>/dev/null || true
echo "demo-machine: suite installed in $WINEPREFIX"
