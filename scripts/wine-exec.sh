#!/usr/bin/env bash
# wine-exec.sh PROGRAM [ARGS...]: PROGRAM under the Wine of scripts/wine-env.sh,
# in its prefix. ctest runs the test executables through it
# (CMAKE_CROSSCOMPILING_EMULATOR), so that the same tests run under Wine 8 or
# Wine 10, whichever the run chose with ZEM_WINE_MAJOR.
#
# Rarely Wine's loader fails silently before any Windows code runs (a test
# then "fails" in a twentieth of a second, with no output). Such a start is
# made once more, and noted in wine-starts.txt in the run's folder for the
# test runner to print; a program that really ran is never started again.
source "$(dirname "$0")/wine-env.sh"
started=$(date +%s%N)
child=
trap '[ -n "$child" ] && kill -TERM "$child" 2>/dev/null' TERM INT HUP
"$WINELOADER" "$@" <&0 &
child=$!
status=0
wait "$child" || status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
# No program of ours gets to its first line under Wine in less than 150 ms.
if [ "$status" -eq 0 ] || [ "$elapsed_ms" -ge 150 ]; then
  exit "$status"
fi
echo "wine-exec: $(basename "$1") ended with $status after $elapsed_ms ms, before it could run; started again" |
  tee -a "$ZEM_RUN_DIR/wine-starts.txt" >&2
trap - TERM INT HUP
exec "$WINELOADER" "$@"
