#!/bin/bash
# The smoke suite of the shipped 32-bit ZEMRemove.exe, run inside the emulated
# machine as /payload/run.sh (the payload disk, read-only). Builds the small
# machine once (tests/vm32/small_machine.py) on a copy of the guest's settled
# prefix, then runs each case on a fresh copy of that machine: copies are
# overlay mounts, so a copy costs nothing. Output goes to the serial console;
# the host reads the lines "ZEM-VM32-CASES <names>" and
# "ZEM-VM32-RESULT <case> PASS|FAIL <seconds>".
set -uo pipefail
payload=${ZEM_PAYLOAD:-/payload}
bin="$payload/bin"
scripts="$payload/scripts"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 LANG=C.UTF-8
export ZEM_BUILD_DIR=$payload
# Wine's own tools run 64-bit, as on the host; the programs under test are
# 32-bit and "wine" starts them under the 32-bit loader.
wine64=/usr/lib/wine/wine64
base=${ZEM_BASE_PREFIX:-/var/lib/zem/prefix}
work=${ZEM_WORK:-/tmp/zem}
mkdir -p "$work"

# Each case: name, command line, the exit code (read whole), which of the
# machine's suite footprint must be gone ("all" or component names; the
# rest stays), and a setup step run on the case's copy before the program.
# The dialog and message-box cases need an X server in the guest (xvfb in
# scripts/vm32/guest-packages.txt) and box_reader.exe in the payload: they
# belong in this table, with a column for the expected box.
CASES=(
  "relay|/silent /relay|0|relay|"
  "database|/silent /database|0|database|"
  "msde|/silent /msde|0|msde|"
  "all|/silent /all|0|all|"
  "client-refused|/silent /client|87||"
  "msde-remains|/silent /msde|1603||broken_msde_registration"
)
# A quick local run may name the cases to run (smoke.sh writes ZEM_VM32_ONLY
# into the payload's "only" file).
if [ -s "$payload/only" ]; then
  chosen=()
  for c in "${CASES[@]}"; do
    tr -s ' \n' '\n' <"$payload/only" | grep -qxF -- "${c%%|*}" && chosen+=("$c")
  done
  CASES=("${chosen[@]}")
fi
echo "ZEM-VM32-CASES $(for c in "${CASES[@]}"; do printf '%s ' "${c%%|*}"; done)"

# copy NAME LOWER...: a fresh writable copy of the stacked layers at
# $work/NAME/prefix; its changes land in $work/NAME/upper.
copy() {
  local name=$1; shift
  local lower; lower=$(IFS=:; echo "$*")
  mkdir -p "$work/$name/upper" "$work/$name/work" "$work/$name/prefix"
  mount -t overlay overlay -o "lowerdir=$lower,upperdir=$work/$name/upper,workdir=$work/$name/work" \
    "$work/$name/prefix"
}

end_session() {
  timeout 60 wineserver -k 2>/dev/null
  timeout 120 wineserver -w 2>/dev/null
  return 0
}

# The machine's own ODBC set-up and SQL server (PREFIX/odbc), as on the host.
use_prefix() {
  export WINEPREFIX=$1
  export ODBCSYSINI="$1/odbc" ODBCINI="$1/odbc/user-odbc.ini" ZEM_STANDIN_STATE="$1/odbc/sqlserver.state"
}

build_machine() {
  copy machine "$base" || return 1
  use_prefix "$work/machine/prefix"
  # The stand-in ODBC installer library beside ZEMRemove.exe, not Wine's own.
  timeout 120 $wine64 reg add 'HKCU\Software\Wine\DllOverrides' /v odbccp32 /t REG_SZ /d native,builtin /f \
    </dev/null >/dev/null 2>&1 || return 1
  end_session
  timeout 900 python3 "$payload/small_machine.py" build "$WINEPREFIX" "$payload" || { end_session; return 1; }
  end_session
  # One idle session: what Wine adds on a copy's first start is the machine's.
  timeout 120 $wine64 cmd /c exit </dev/null >/dev/null 2>&1
  end_session
  python3 "$scripts/demo/inventory.py" "$WINEPREFIX" >"$work/installed.txt" || return 1
  python3 "$payload/guest_snapshot.py" take "$WINEPREFIX" "$work/machine.json" || return 1
  umount "$work/machine/prefix" || return 1
  echo "machine: $(wc -l <"$work/installed.txt") items of the suite installed"
  sed 's/^/  /' "$work/installed.txt"
}

# Case set-ups.
broken_msde_registration() {
  # The engine's registration outlives its uninstaller: the program it names
  # is gone. (A package code Windows Installer does not know would do too,
  # but Wine then sometimes never reports the end of msiexec's job.)
  timeout 120 $wine64 reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000003}' \
    /v UninstallString /d 'C:\Program Files (x86)\Microsoft SQL Server\80\Setup\sqlsetup.exe' /f /reg:32 \
    </dev/null >/dev/null 2>&1
}

run_case() { # name args code gone setup
  local name=$1 args=$2 code=$3 gone=$4 setup=$5
  local failures=0
  fail() { echo "  FAIL: $*"; failures=$((failures + 1)); }
  copy "case-$name" "$work/machine/upper" "$base" || { fail "no copy of the machine"; return 1; }
  use_prefix "$work/case-$name/prefix"
  local log="$work/case-$name.standin.log"
  export ZEM_STANDIN_LOG="Z:${log//\//\\}"
  timeout 60 wineserver -p
  timeout 180 $wine64 wineboot </dev/null >/dev/null 2>&1 || fail "wineboot did not finish"
  if [ -n "$setup" ]; then
    "$setup" || fail "set-up $setup failed"
  fi
  local started=$SECONDS status=0
  # Into a file, never a pipe: the wineserver would hold it open.
  # The run's log goes outside the machine, for the report of a failure.
  local removal_log="$work/case-$name.removal.log"
  ZEM_COMMAND_LINE="\"Z:${bin//\//\\}\\ZEMRemove.exe\" $args /logfile=Z:${removal_log//\//\\}" ZEM_COMMAND_LIMIT_MS=180000 \
    timeout -k 5 260 wine "$bin/run_command.exe" </dev/null >"$work/case-$name.result" 2>&1 || status=$?
  local result; result=$(tr -d '\r' <"$work/case-$name.result")
  echo "  ZEMRemove.exe $args: $result ($((SECONDS - started)) s)"
  [ "$status" -lt 124 ] || fail "ZEMRemove.exe did not end (status $status)"
  if grep -q 'still running' "$work/case-$name.result"; then
    echo "  what still runs:"
    ps -eo etime,args | grep -iE '\.exe|msiexec' | grep -v grep | sed 's/^/    /'
    [ -f "$log" ] && tr -d '\r' <"$log" | sed 's/^/    standin: /'
    tr -d '\r' <"$removal_log" 2>/dev/null | tail -15 | sed 's/^/    log: /'
    timeout 60 $wine64 winedbg --command "info process" </dev/null 2>&1 | tr -d '\r' | sed 's/^/    winedbg: /'
    # Wine very rarely never reports the end of an uninstaller's job: the
    # case runs once more from a fresh copy; a second hang fails it.
    end_session
    umount "$work/case-$name/prefix"
    rm -rf "$work/case-$name"
    return 99
  fi
  [ "${result%% after*}" = "exit $code" ] || fail "expected exit $code"
  end_session

  python3 "$scripts/demo/inventory.py" "$WINEPREFIX" >"$work/case-$name.left"
  # What must be left: the machine's footprint less the components gone; the
  # relay takes the server keys it shares with the server.
  python3 - "$work/installed.txt" "$gone" >"$work/case-$name.expected" <<'PY'
import sys
gone = set(sys.argv[2].split())
for line in open(sys.argv[1]).read().splitlines():
    component, kind, item = line.split(" ", 2)
    if "all" in gone or component in gone or ("relay" in gone and component == "server"):
        continue
    print(line)
PY
  diff -u "$work/case-$name.expected" "$work/case-$name.left" | sed 's/^/  /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || fail "the suite's footprint afterwards (- expected, + found)"

  python3 "$payload/guest_snapshot.py" diff "$work/machine.json" "$WINEPREFIX" >"$work/case-$name.changes"
  if [ -z "$gone" ]; then
    # Nothing of the suite may go either: only the uninstaller's traces.
    grep -v 'Temp\\var[0-9A-Fa-f]*\.tmp$' "$work/case-$name.changes" | grep -E '^(removed|changed) ' \
      | grep -vE 'HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000003\}:\[UninstallString\]' \
      | sed 's/^/  unexpected: /' | grep . && fail "the machine changed"
  fi
  python3 "$payload/suite_footprint.py" <"$work/case-$name.changes" | sed 's/^/  /' | grep . \
    && fail "something that is not the suite's changed"
  echo "  $(wc -l <"$work/case-$name.changes") changes, all within the suite's footprint"

  if [ "$name" = all ]; then
    # The relay's setup checked its switches and its response file (105 bytes).
    tr -d '\r' <"$log" 2>/dev/null | grep -q 'ZEM Relay\\setup.exe: removed$' || fail "the relay's setup did not accept its command line: $(cat "$log" 2>/dev/null)"
  fi
  [ "$failures" -eq 0 ] || tr -d '\r' <"$removal_log" 2>/dev/null | tail -25 | sed 's/^/  log: /'
  umount "$work/case-$name/prefix"
  rm -rf "$work/case-$name"
  return "$failures"
}

started=$SECONDS
if build_machine; then
  echo "ZEM-VM32-MACHINE built in $((SECONDS - started)) s"
else
  echo "ZEM-VM32-MACHINE failed after $((SECONDS - started)) s"
  exit 1
fi
for entry in "${CASES[@]}"; do
  IFS='|' read -r name args code gone setup <<<"$entry"
  echo "case $name: ZEMRemove.exe $args"
  case_started=$SECONDS
  run_case "$name" "$args" "$code" "$gone" "$setup"
  outcome=$?
  if [ "$outcome" -eq 99 ]; then
    echo "  HANG: running the case once more from a fresh copy"
    run_case "$name" "$args" "$code" "$gone" "$setup"
    outcome=$?
  fi
  if [ "$outcome" -eq 0 ]; then verdict=PASS; else verdict=FAIL; fi
  echo "ZEM-VM32-RESULT $name $verdict $((SECONDS - case_started))"
done
