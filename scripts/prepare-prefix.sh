#!/usr/bin/env bash
# Creates the WoW64 prefix the tests and the demo run in (never ~/.wine) and
# applies the settings tests rely on. Does nothing when it is ready already.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

stamp="$WINEPREFIX/.zem-prefix-ready"

# The tests' stand-in ODBC installer library must be loaded instead of Wine's
# own, which never touches the driver manager's odbc.ini. The program loads it
# from the system directory only, so that is where the stand-in goes, as the
# machine's own; every copy of the prefix (the demo machine) has it too.
prefer_native_odbc_installer() {
  local odbc_stamp="$WINEPREFIX/.zem-odbc-installer-native"
  local standin="$ZEM_BUILD_DIR/bin/odbccp32.dll" system="$WINEPREFIX/drive_c/windows/system32/odbccp32.dll"
  if [ -f "$standin" ] && ! cmp -s "$standin" "$system"; then
    cp "$standin" "$system"
  fi
  [ -f "$odbc_stamp" ] && return 0
  wine reg add 'HKCU\Software\Wine\DllOverrides' /v odbccp32 /t REG_SZ /d native,builtin /f >/dev/null 2>&1
  wineserver -w
  touch "$odbc_stamp"
}

# Wine's default debugger answers a crash with exit code 0, so a test program
# that crashes would count as passed. Without a debugger the process ends with
# the exception's code.
crash_ends_with_failure() {
  local crash_stamp="$WINEPREFIX/.zem-crash-exit-code"
  [ -f "$crash_stamp" ] && return 0
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
  wineserver -w
  touch "$crash_stamp"
}

if [ -f "$stamp" ]; then
  prefer_native_odbc_installer
  crash_ends_with_failure
  exit 0
fi

rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
echo "prepare-prefix: creating $WINEPREFIX"
wine wineboot --init </dev/null >/dev/null 2>&1
# A crash must end the test, not open a dialog that waits for a click.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Without a window manager every window close costs seconds when Wine manages windows.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Some keys appear only during the sessions after the first one: one more
# start and a full stop, so that copies of the prefix begin settled.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wine wineboot </dev/null >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
prefer_native_odbc_installer
crash_ends_with_failure
touch "$stamp"
