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
source "$payload/e2e_lib.sh"
e2e_wine=wine e2e_bin=$bin e2e_scripts=$scripts e2e_snapshot="$payload/guest_snapshot.py" e2e_indent="  "

# Each case: name, how it runs ("silent": ZEMRemove.exe with the arguments;
# "dialog": ZEMRemove.exe without arguments, driven by dialog_driver.exe
# with the arguments; "listener": the throwing-listener program), the exit
# code (read whole), which of the machine's suite footprint must be gone
# ("all" or component names; the rest stays; "-": the case runs on the bare
# prefix and has no footprint), and a set-up step run on the case's copy.
# The dialog and listener cases run with an X server (xvfb is in the guest).
CASES=(
  "relay|silent|/silent /relay|0|relay|"
  "database|silent|/silent /database|0|database|"
  "msde|silent|/silent /msde|0|msde|"
  "all|silent|/silent /all|0|all|"
  "client-refused|silent|/silent /client|87||"
  "msde-remains|silent|/silent /msde|1603||broken_msde_registration"
  "planted-dlls|silent|/silent /all|0|all|plant_dlls"
  "system-profile|silent|/silent /all|0|-|system_profile_folders"
  "deep-tree|silent|/silent /all|0|all|deep_suite_tree"
  "other-name|silent|/silent /relay|1603|relay|relay_in_public_by_other_name"
  "hard-link|silent|/silent /relay|1603|relay|hard_link_to_read_only"
  "throwing-listener|listener||0|-|"
  "dialog-cancel|dialog|cancel|0||"
  "dialog-remove-all|dialog|remove-all|0|all|"
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
# The list the small machine shows: name and version, sorted.
DIALOG_ROWS=$(printf '%s\n' \
  $'Microsoft SQL Server Desktop Engine\tunknown' \
  $'Varnek Databases\t7.1.315' \
  $'Varnek Enterprise Relay\tunknown' | LC_ALL=C sort)

# copy NAME LOWER...: a fresh writable copy of the stacked layers at
# $work/NAME/prefix; its changes land in $work/NAME/upper.
copy() {
  local name=$1; shift
  local lower; lower=$(IFS=:; echo "$*")
  mkdir -p "$work/$name/upper" "$work/$name/work" "$work/$name/prefix"
  mount -t overlay overlay -o "lowerdir=$lower,upperdir=$work/$name/upper,workdir=$work/$name/work" \
    "$work/$name/prefix"
}

# The machine's own ODBC set-up and SQL server (PREFIX/odbc), as on the host.
use_prefix() {
  export WINEPREFIX=$1
  export ODBCSYSINI="$1/odbc" ODBCINI="$1/odbc/user-odbc.ini" ZEM_STANDIN_STATE="$1/odbc/sqlserver.state"
}

build_machine() {
  copy machine "$base" || return 1
  use_prefix "$work/machine/prefix"
  # The stand-in ODBC installer library, not Wine's own, where the program
  # loads it from: the 32-bit system directory.
  cp "$bin/odbccp32.dll" "$WINEPREFIX/drive_c/windows/syswow64/odbccp32.dll" || return 1
  timeout 120 $wine64 reg add 'HKCU\Software\Wine\DllOverrides' /v odbccp32 /t REG_SZ /d native,builtin /f \
    </dev/null >/dev/null 2>&1 || return 1
  # No window manager here: managed windows cost 2 s at every close.
  timeout 120 $wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    </dev/null >/dev/null 2>&1 || return 1
  e2e_end_session
  timeout 900 python3 "$payload/small_machine.py" build "$WINEPREFIX" "$payload" || { e2e_end_session; return 1; }
  e2e_end_session
  # One idle session: what Wine adds on a copy's first start is the machine's.
  timeout 120 $wine64 cmd /c exit </dev/null >/dev/null 2>&1
  e2e_end_session
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

# Copies of system DLLs beside the program, preferred where Windows would.
plant_dlls() {
  exe_dir=$work/plant run_env=(WINEDLLOVERRIDES="$WINEDLLOVERRIDES;odbc32,odbccp32,version,dbghelp=n,b")
  mkdir -p "$exe_dir" && cp "$bin/ZEMRemove.exe" "$bin"/planted/*.dll "$exe_dir"
}
# LocalSystem's shell folder, which a 32-bit process reaches in SysWOW64: the
# suite's folder there goes, another program's beside it stays.
wow_data=drive_c/windows/syswow64/config/systemprofile/AppData/Local
system_profile_folders() {
  mkdir -p "$WINEPREFIX/$wow_data/Varnek/Console" "$WINEPREFIX/$wow_data/Other Vendor" &&
    touch "$WINEPREFIX/$wow_data/Varnek/Console/layout.xml" "$WINEPREFIX/$wow_data/Other Vendor/keep.dat" &&
    timeout 120 $wine64 reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
      /v 'Local AppData' /d 'C:\windows\system32\config\systemprofile\AppData\Local' /f </dev/null >/dev/null 2>&1
}
check_system-profile() {
  [ ! -e "$WINEPREFIX/$wow_data/Varnek" ] || fail "the suite's folder in SysWOW64's system profile stayed"
  [ -e "$WINEPREFIX/$wow_data/Other Vendor/keep.dat" ] || fail "another program's folder beside it went"
}
deep_suite_tree() {
  # A tree far past the path limit in the suite's root folder, which only the
  # program's walk by handle reaches (about 370 characters deep).
  local deep="$WINEPREFIX/drive_c/Program Files (x86)/Varnek Enterprise/Archive" level
  for level in 1 2 3 4 5; do deep="$deep/level$level-$(printf '%055d' 0)"; done
  mkdir -p "$deep" && echo report >"$deep/report.txt"
}
# The relay registered in the users' Public folder through a drive letter on
# the users folder: refused as that folder is by its own name; the relay's
# own folder stays.
relay_folder='C:\Program Files (x86)\Varnek Enterprise\ZEM Relay'
relay_in_public_by_other_name() {
  kept=("folder $relay_folder")
  ln -s ../drive_c/users "$WINEPREFIX/dosdevices/p:" && [ -d "$WINEPREFIX/drive_c/users/Public/Documents" ] &&
    timeout 120 $wine64 reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000005}' \
      /v InstallLocation /d 'P:\Public' /f /reg:32 </dev/null >/dev/null 2>&1
}
check_other-name() {
  tr -d '\r' <"$removal_log" | grep -qF 'Refusing to delete directory "P:\Public": ' || fail "P:\Public was not refused"
}
# A hard link in the relay's folder to another program's read-only file: that
# file keeps its attribute. Wine 8 cannot delete the link's name as it is, so
# that step fails and the relay's folder stays.
tools_readme="drive_c/Program Files (x86)/Varnek Enterprise Tools/readme.txt"
hard_link_to_read_only() {
  kept=("folder $relay_folder")
  chmod a-w "$WINEPREFIX/$tools_readme" &&
    ln "$WINEPREFIX/$tools_readme" "$WINEPREFIX/drive_c/Program Files (x86)/Varnek Enterprise/ZEM Relay/ZEMRelayData/readme.txt"
}
check_hard-link() {
  [ "$(stat -c %a "$WINEPREFIX/$tools_readme")" = 444 ] || fail "the other program's file lost its read-only mode"
  tr -d '\r' <"$removal_log" | grep -qE 'error occured while trying to delete file ".*\\ZEMRelayData\\readme\.txt"$' ||
    fail "the link's delete did not fail"
}

# Runners: each runs the program on the case's copy (session started) and
# calls fail; 99 asks for the case to run once more after a Wine hang.
run_silent() { # args code
  local started=$SECONDS status=0
  # Into a file, never a pipe: the wineserver would hold it open.
  # The run's log goes outside the machine, for the report of a failure.
  env "${run_env[@]}" ZEM_COMMAND_LINE="\"Z:${exe_dir//\//\\}\\ZEMRemove.exe\" $1 /logfile=Z:${removal_log//\//\\}" \
    ZEM_COMMAND_LIMIT_MS=180000 timeout -k 5 260 wine "$bin/run_command.exe" </dev/null >"$work/case-$name.result" 2>&1 || status=$?
  local result; result=$(tr -d '\r' <"$work/case-$name.result")
  echo "  ZEMRemove.exe $1: $result ($((SECONDS - started)) s)"
  [ "$status" -lt 124 ] || fail "ZEMRemove.exe did not end (status $status)"
  if grep -q 'still running' "$work/case-$name.result"; then
    echo "  what still runs:"
    ps -eo etime,args | grep -iE '\.exe|msiexec' | grep -v grep | sed 's/^/    /'
    [ -f "$log" ] && tr -d '\r' <"$log" | sed 's/^/    standin: /'
    tr -d '\r' <"$removal_log" 2>/dev/null | tail -15 | sed 's/^/    log: /'
    timeout 60 $wine64 winedbg --command "info process" </dev/null 2>&1 | tr -d '\r' | sed 's/^/    winedbg: /'
    # Wine very rarely never reports the end of an uninstaller's job: the
    # case runs once more from a fresh copy; a second hang fails it.
    return 99
  fi
  [ "${result%% after*}" = "exit $2" ] || fail "expected exit $2"
}

run_listener() { # - code
  local status=0
  timeout -k 5 180 wine "$bin/throwing_listener.exe" </dev/null >"$work/case-$name.result" 2>&1 || status=$?
  tr -d '\r' <"$work/case-$name.result" | sed 's/^/  /'
  [ "$status" -eq "$2" ] || fail "throwing_listener.exe ended with $status (124: did not end)"
}

run_dialog() { # cancel|remove-all code
  local started=$SECONDS
  e2e_dialog "$1" "$work/case-$name.dialog" "$DIALOG_ROWS" 500
  echo "  ZEMRemove.exe (dialog, $1): ended after $((SECONDS - started)) s"
  [ "$failures" -eq 0 ] || e2e_text "$work/case-$name.dialog/log.txt" | tail -25 | sed 's/^/  pane: /'
}

run_case() { # name runner args code gone setup
  local name=$1 runner=$2 args=$3 code=$4 gone=$5 setup=$6
  local failures=0
  exe_dir=$bin run_env=() kept=()
  local layers=("$work/machine/upper" "$base")
  [ "$gone" != - ] || layers=("$base")
  copy "case-$name" "${layers[@]}" || { fail "no copy of the machine"; return 1; }
  use_prefix "$work/case-$name/prefix"
  local log="$work/case-$name.standin.log" removal_log="$work/case-$name.removal.log"
  export ZEM_STANDIN_LOG="Z:${log//\//\\}"
  # The display is fixed when the session starts.
  if [ "$runner" = silent ]; then unset DISPLAY; else export DISPLAY=$display; fi
  timeout 60 wineserver -p
  timeout 180 $wine64 wineboot </dev/null >/dev/null 2>&1 || fail "wineboot did not finish"
  if [ -n "$setup" ]; then
    "$setup" || fail "set-up $setup failed"
  fi
  "run_$runner" "$args" "$code"
  if [ $? -eq 99 ]; then
    e2e_end_session
    umount "$work/case-$name/prefix"
    rm -rf "$work/case-$name"
    return 99
  fi
  e2e_end_session
  [ -z "$(find "$exe_dir" -name '*.loaded')" ] || fail "planted DLLs were loaded: $(ls "$exe_dir" | tr '\n' ' ')"
  ! declare -F "check_$name" >/dev/null || "check_$name"

  if [ "$gone" != - ]; then
    check_footprint
  fi
  [ "$failures" -eq 0 ] || tr -d '\r' 2>/dev/null <"$removal_log" | tail -25 | sed 's/^/  log: /'
  umount "$work/case-$name/prefix"
  rm -rf "$work/case-$name"
  return "$failures"
}

# What is left of the suite and what changed on the case's copy.
check_footprint() {
  # The uninstallers are GUI programs, as real setups are: started by the
  # dialog, none may bring up a console (Wine's console host would write its
  # defaults to HKCU\Console).
  local installed="$work/installed.txt"
  if [ ${#kept[@]} -gt 0 ]; then
    installed="$work/case-$name.kept"
    e2e_keep "$work/installed.txt" "$installed" "${kept[@]}"
  fi
  e2e_footprint "$work/case-$name" "$work/machine.json" "$installed" "$gone"
  if [ -z "$gone" ] && [ -f "$work/case-$name.changes" ]; then
    # Nothing of the suite may go either: only the uninstaller's traces.
    grep -v 'Temp\\var[0-9A-Fa-f]*\.tmp$' "$work/case-$name.changes" | grep -E '^(removed|changed) ' \
      | grep -vE 'HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000003\}:\[UninstallString\]' \
      | sed 's/^/  unexpected: /' | grep . && fail "the machine changed"
  fi

  if [ "$name" = all ]; then
    # The relay's setup checked its switches and its response file (105 bytes).
    tr -d '\r' <"$log" 2>/dev/null | grep -q 'ZEM Relay\\setup.exe: removed$' || fail "the relay's setup did not accept its command line: $(cat "$log" 2>/dev/null)"
  fi
}

started=$SECONDS
# The small machine only for the cases that use it, the X server only for
# the windows' cases.
if printf '%s\n' "${CASES[@]}" | cut -d'|' -f5 | grep -qv '^-$'; then
  if build_machine; then
    echo "ZEM-VM32-MACHINE built in $((SECONDS - started)) s"
  else
    echo "ZEM-VM32-MACHINE failed after $((SECONDS - started)) s"
    exit 1
  fi
fi
display=:99
if printf '%s\n' "${CASES[@]}" | cut -d'|' -f2 | grep -qv '^silent$'; then
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  for _ in $(seq 1 150); do [ -e /tmp/.X11-unix/X99 ] && break; sleep 0.2; done
  [ -e /tmp/.X11-unix/X99 ] || { echo "no X server after 30 s:"; cat "$work/xvfb.log"; }
fi
for entry in "${CASES[@]}"; do
  IFS='|' read -r name runner args code gone setup <<<"$entry"
  echo "case $name: $runner $args"
  case_started=$SECONDS
  run_case "$name" "$runner" "$args" "$code" "$gone" "$setup"
  outcome=$?
  if [ "$outcome" -eq 99 ]; then
    echo "  HANG: running the case once more from a fresh copy"
    run_case "$name" "$runner" "$args" "$code" "$gone" "$setup"
    outcome=$?
  fi
  if [ "$outcome" -eq 0 ]; then verdict=PASS; else verdict=FAIL; fi
  # On a line of its own, even after a log cut off in mid-line (a crash).
  printf '\nZEM-VM32-RESULT %s %s %s\n' "$name" "$verdict" "$((SECONDS - case_started))"
done
