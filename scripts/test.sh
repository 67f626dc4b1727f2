#!/usr/bin/env bash
# Installs what is missing, builds the 32-bit program and its tests, and runs
# every test under Wine. Extra arguments go to ctest (e.g. -R LogBanner).
# Then the smoke suite runs the shipped 32-bit program itself in an emulated
# machine (scripts/vm32/smoke.sh); ZEM_SKIP_VM32=1 leaves it out of a quick
# local run (CI never sets it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

# The shipped program is the 32-bit build; the tests check what it is.
cmake --preset win32 -B "$ZEM_BUILD_DIR-win32" -DZEM_BUILD_FIXTURES=ON >/dev/null
cmake --build "$ZEM_BUILD_DIR-win32" -j2 --target ZEMRemove

cmake --preset wine -B "$ZEM_BUILD_DIR" -DZEM_SHIPPED_EXE="$ZEM_BUILD_DIR-win32/bin/ZEMRemove.exe" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2
bash scripts/prepare-prefix.sh

source scripts/display.sh
start_display
# Whatever ends this script (a failure, Ctrl-C) ends the session and the display.
trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT

# A warm wineserver keeps the first test from waiting on Wine's start-up services.
wineserver -k 2>/dev/null || true
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true
# Wine's desktop process ends a second after the last program on it; the
# program that starts it again passes it its output, and under ctest that
# test then waits on the pipe until the desktop ends (tens of seconds on a
# busy run). One program holds the desktop for the whole run instead.
holder_log="$ZEM_BUILD_DIR/desktop-holder.txt"
wine "$ZEM_BUILD_DIR/bin/desktop_holder.exe" 3600 </dev/null >"$holder_log" 2>&1 &
holder=$!
for _ in $(seq 1 300); do
  grep -q "desktop ready" "$holder_log" && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "desktop ready" "$holder_log"; then
  echo "test.sh: the desktop did not start: $(cat "$holder_log")" >&2
  exit 1
fi

status=0
rm -f "$ZEM_BUILD_DIR/e2e/retries.txt"
ctest --preset wine --test-dir "$ZEM_BUILD_DIR" "$@" || status=$?
# Written by the end-to-end run, when it ran.
if [ -f "$ZEM_BUILD_DIR/e2e/retries.txt" ]; then
  cat "$ZEM_BUILD_DIR/e2e/retries.txt"
fi

if [ "${ZEM_SKIP_VM32:-}" = 1 ]; then
  echo "vm32: smoke suite of the 32-bit program skipped (ZEM_SKIP_VM32=1)"
else
  bash scripts/vm32/smoke.sh || status=1
fi
exit $status
