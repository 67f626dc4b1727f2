#!/bin/bash
# Run once inside the emulated machine (as the payload's run.sh, the base
# image writable): creates the settled WoW64 Wine prefix every run starts
# from, applies the tests' settings, and runs one more session so that later
# sessions add nothing.
export WINEPREFIX=${ZEM_BASE_PREFIX:-/var/lib/zem/prefix} WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
started=$SECONDS
timeout 900 /usr/lib/wine/wine64 wineboot --init </dev/null >/tmp/wineboot.log 2>&1 || { tail -20 /tmp/wineboot.log; exit 1; }
# A crash must end the program, not open a dialog.
timeout 120 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  </dev/null >/dev/null 2>&1 || exit 1
timeout 60 wineserver -k; timeout 120 wineserver -w
timeout 300 /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
timeout 60 wineserver -k; timeout 120 wineserver -w
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] || { echo "vm32: the prefix is not WoW64"; exit 1; }
echo "zem-vm32: prefix ready in $((SECONDS - started)) s"
echo "ZEM-VM32-PREPARED"
