# Sourced by the scripts: the Wine settings every run of the program uses.
# ZEM_BUILD_DIR may be set before sourcing; the prefix lives inside it.
ZEM_SOURCE_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ZEM_SOURCE_DIR
export ZEM_BUILD_DIR="${ZEM_BUILD_DIR:-$ZEM_SOURCE_DIR/build}"
# Which Wine runs the programs: the host's (Wine 8 on Debian 12), or with
# ZEM_WINE_MAJOR=10 Wine 10 in the Debian 13 root of scripts/wine10, whose
# wine, wine64 and wineserver come first on the PATH. ZEM_RUN_DIR holds the
# platform's prefix and the tests' scratch machines: Wine 10 keeps its own.
if [ "${ZEM_WINE_MAJOR:-}" = 10 ]; then
  if [ -z "${ZEM_WINE10_ROOT:-}" ]; then
    ZEM_WINE10_ROOT=$(bash "$ZEM_SOURCE_DIR/scripts/wine10/build-root.sh" | tail -1)
  fi
  export ZEM_WINE10_ROOT
  export ZEM_RUN_DIR="$ZEM_BUILD_DIR/wine10"
  export WINELOADER="$ZEM_SOURCE_DIR/scripts/wine10/bin/wine64"
  case ":$PATH:" in
    *":$ZEM_SOURCE_DIR/scripts/wine10/bin:"*) ;;
    *) export PATH="$ZEM_SOURCE_DIR/scripts/wine10/bin:$PATH" ;;
  esac
else
  export ZEM_RUN_DIR="$ZEM_BUILD_DIR"
  # Wine 8's 32-bit loader is an i386 Linux program; we run the 64-bit loader
  # directly so that hosts without 32-bit execution work the same.
  export WINELOADER=/usr/lib/wine/wine64
  if [ -z "${ZEM_WINE_MAJOR:-}" ]; then
    ZEM_WINE_MAJOR=$("$WINELOADER" --version 2>/dev/null | sed -n 's/^wine-\([0-9]*\).*/\1/p')
  fi
  export ZEM_WINE_MAJOR
fi
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$ZEM_RUN_DIR/wineprefix}"
export WINEARCH=win64
wine() { "$WINELOADER" "$@"; }
export -f wine
export WINEDEBUG=-all
# No Mono or Gecko installers at prefix creation: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reports the ANSI code page 1252 only under these locales.
export LANG=C.UTF-8
unset LC_ALL
# unixODBC (reached through Wine's odbc32) reads the test registration of the
# stand-in SQL Server driver and its data sources from the build tree. A demo
# machine carries its own (PREFIX/odbc: odbcinst.ini, odbc.ini and its SQL
# server's databases), as a real machine does, so that copies of it run side
# by side: zem_prefix_odbc PREFIX points the stand-in and unixODBC there.
zem_prefix_odbc() {
  local own="$1/odbc"
  case "$own" in /*) ;; *) own="$PWD/$own" ;; esac
  if [ -f "$own/odbcinst.ini" ]; then
    export ODBCSYSINI="$own" ODBCINI="$own/user-odbc.ini" ZEM_STANDIN_STATE="$own/sqlserver.state"
  else
    export ODBCSYSINI="$ZEM_BUILD_DIR/odbc" ODBCINI="$ZEM_BUILD_DIR/odbc/user-odbc.ini"
    unset ZEM_STANDIN_STATE
  fi
}
zem_prefix_odbc "$WINEPREFIX"
