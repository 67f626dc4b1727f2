#!/usr/bin/env bash
# wine-exec.sh PROGRAM [ARGS...]: PROGRAM under the Wine of scripts/wine-env.sh,
# in its prefix. ctest runs the test executables through it
# (CMAKE_CROSSCOMPILING_EMULATOR), so that the same tests run under Wine 8 or
# Wine 10, whichever the run chose with ZEM_WINE_MAJOR.
source "$(dirname "$0")/wine-env.sh"
exec "$WINELOADER" "$@"
