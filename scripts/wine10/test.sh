#!/usr/bin/env bash
# The second platform: the tests labelled wine10 (the removal primitives'
# suites on files, the registry and security, every silent end-to-end case and
# the dialog's DPI test) under Wine 10 in a Debian 13 root, where Windows 10's
# POSIX delete, the ignore-read-only delete and per-monitor DPI v2 exist.
# Needs the build of scripts/test.sh; extra arguments go to ctest. Wine 10 has
# its prefix and scratch machines in build/wine10; the root is cached for the
# machine (build-root.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
started=$SECONDS

bash "$here/../setup.sh" mmdebstrap
ZEM_WINE10_ROOT=$(bash "$here/build-root.sh" | tail -1)
export ZEM_WINE10_ROOT ZEM_WINE_MAJOR=10
source "$here/../wine-env.sh"
echo "wine10: $(wine --version) from $ZEM_WINE10_ROOT, prefix $WINEPREFIX"
bash "$ZEM_SOURCE_DIR/scripts/prepare-prefix.sh"

source "$ZEM_SOURCE_DIR/scripts/test-session.sh"
start_test_session || exit 1

status=0
rm -f "$ZEM_RUN_DIR/e2e/retries.txt" "$ZEM_RUN_DIR/wine-starts.txt"
set +e
ctest --preset wine --test-dir "$ZEM_BUILD_DIR" -L wine10 "$@" 2>&1 | tee "$ZEM_RUN_DIR/ctest.txt"
status=${PIPESTATUS[0]}
set -e
if [ -f "$ZEM_RUN_DIR/e2e/retries.txt" ]; then
  cat "$ZEM_RUN_DIR/e2e/retries.txt"
fi
# Written by scripts/wine-exec.sh, when Wine failed to start a test.
if [ -f "$ZEM_RUN_DIR/wine-starts.txt" ]; then
  cat "$ZEM_RUN_DIR/wine-starts.txt"
fi
echo "wine10: the tests under Wine 10 took $((SECONDS - started)) s, root and prefix included"
# The platform's own closing line, from ctest's summary.
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$ZEM_RUN_DIR/ctest.txt" | tail -1)
if [ -n "$summary" ]; then
  failed=$(echo "$summary" | sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$summary" | sed -E 's/.*failed out of ([0-9]+).*/\1/')
  echo "wine10: $((total - failed)) passed, $failed failed"
elif grep -q '^No tests were found' "$ZEM_RUN_DIR/ctest.txt"; then
  echo "wine10: no test labelled wine10 matches $*"
else
  echo "wine10: ctest ended with $status and no summary"
  [ "$status" -ne 0 ] || status=1
fi
exit $status
