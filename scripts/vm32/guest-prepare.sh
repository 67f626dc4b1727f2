#!/bin/bash
# Run once inside the emulated machine (as the payload's run.sh, the base
# image writable): creates the settled WoW64 Wine prefix every run starts
# from, applies the tests' settings, and runs one more session so that later
# sessions add nothing.
export WINEPREFIX=${ZEM_BASE_PREFIX:-/var/lib/zem/prefix} WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine64=/usr/lib/wine/wine64
log=/tmp/wineboot.log
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
started=$SECONDS

# Wine waits five minutes at most for a new prefix's first boot, which takes
# longer than that under emulation on a busy host; the boot goes on in the
# background, so wait for the session's end, and update once more if the
# boot did not report its end.
timeout 1800 $wine64 wineboot --init </dev/null >"$log" 2>&1
timeout 1800 wineserver -w
if ! grep -q 'has been updated' "$log"; then
  echo "zem-vm32: the first boot did not finish within Wine's wait ($((SECONDS - started)) s); updating again"
  timeout 1800 $wine64 wineboot -u </dev/null >>"$log" 2>&1
  timeout 1800 wineserver -w
fi
if ! grep -q 'has been updated' "$log" || [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
  echo "zem-vm32: the prefix is incomplete"
  tail -20 "$log"
  exit 1
fi
echo "zem-vm32: wineboot --init done after $((SECONDS - started)) s"
# A crash must end the program, not open a dialog.
timeout 300 $wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  </dev/null >/dev/null 2>&1 || { echo "zem-vm32: reg add failed"; exit 1; }
timeout 60 wineserver -k; timeout 300 wineserver -w
timeout 600 $wine64 wineboot </dev/null >/dev/null 2>&1
timeout 60 wineserver -k; timeout 300 wineserver -w
echo "zem-vm32: prefix ready in $((SECONDS - started)) s"
echo "ZEM-VM32-PREPARED"
