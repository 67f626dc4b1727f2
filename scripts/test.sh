#!/usr/bin/env bash
# Installs what is missing, builds the 32-bit program and its tests, and runs
# every test under the host's Wine (Wine 8). Extra arguments go to ctest
# (e.g. -R LogBanner). Then the tests that matter run again under Wine 10 in
# a Debian 13 root (scripts/wine10/test.sh), and last the smoke suite runs the
# shipped 32-bit program itself in an emulated machine (scripts/vm32/smoke.sh).
# ZEM_SKIP_WINE10=1 and ZEM_SKIP_VM32=1 leave those out of a quick local run
# (CI never sets them).
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

source scripts/test-session.sh
start_test_session || exit 1

status=0
rm -f "$ZEM_RUN_DIR/e2e/retries.txt" "$ZEM_RUN_DIR/wine-starts.txt"
ctest --preset wine --test-dir "$ZEM_BUILD_DIR" "$@" || status=$?
# Written by the end-to-end run, when it ran.
if [ -f "$ZEM_RUN_DIR/e2e/retries.txt" ]; then
  cat "$ZEM_RUN_DIR/e2e/retries.txt"
fi
# Written by scripts/wine-exec.sh, when Wine failed to start a test.
if [ -f "$ZEM_RUN_DIR/wine-starts.txt" ]; then
  cat "$ZEM_RUN_DIR/wine-starts.txt"
fi

# The next platform has a session of its own.
wineserver -k 2>/dev/null || true

# The tests labelled wine10 again, under Wine 10 (Debian 13).
if [ "${ZEM_SKIP_WINE10:-}" = 1 ]; then
  echo "wine10: the tests under Wine 10 skipped (ZEM_SKIP_WINE10=1)"
else
  bash scripts/wine10/test.sh "$@" || status=1
fi

if [ "${ZEM_SKIP_VM32:-}" = 1 ]; then
  echo "vm32: smoke suite of the 32-bit program skipped (ZEM_SKIP_VM32=1)"
else
  bash scripts/vm32/smoke.sh || status=1
fi
exit $status
