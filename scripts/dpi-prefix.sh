#!/usr/bin/env bash
# dpi-prefix.sh SOURCE TARGET DPI: a copy of a Wine prefix whose programs see
# DPI (HKCU\Control Panel\Desktop LogPixels, read as each program starts), its
# session left running. Start the display first: a session keeps its first.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
rm -rf "$2"
# Hard links (0.1 s for a whole prefix; a copy takes 1.6 s and 700 MB), but
# copies of what a session rewrites in place: the registry hives and a demo
# machine's SQL server (odbc/).
cp -al "$1" "$2"
for hive in "$1"/*.reg; do cp --remove-destination "$hive" "$2/"; done
if [ -d "$1/odbc" ]; then rm -rf "$2/odbc" && cp -a "$1/odbc" "$2/"; fi
export WINEPREFIX="$2"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$3" /f >/dev/null 2>&1
# The desktop records the screen's size, but the programs of its session keep
# the size the copy came with, and no window could grow beyond it: the next
# session starts with the right one.
wine "$ZEM_BUILD_DIR/bin/desktop_holder.exe" 1 </dev/null >/dev/null 2>&1
wineserver -k
wineserver -w
wineserver -p
