#!/usr/bin/env bash
# One silent removal, checked from outside, on a fresh copy of the demo machine:
#   silent_e2e_test.sh <case>
# The case names the command line, the exit code the program must end with
# (read whole, not its low 8 bits), the components whose footprint must be
# gone afterwards (everything else of the suite stays), and the message box
# the program must show. Nothing that is not the suite's may change.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
source "$ZEM_SOURCE_DIR/tests/shell/e2e_lib.sh"
scripts="$ZEM_SOURCE_DIR/scripts"
bin="$ZEM_BUILD_DIR/bin"
e2e="$ZEM_RUN_DIR/e2e"

client_rule="Without the '/force' option,  the '/client' option cannot be specified unless both the '/relay' and '/server' options are specified."
help_text=$(printf '%s\n' "To remove ZEM components silently" \
  "the /silent switch must be used with one of the following:" \
  "    /all - all ZEM components" "    /server - Varnek Enterprise Server" \
  "    /console - Varnek Enterprise Console" "    /client - Varnek Enterprise Client" \
  "    /loggingservice - Varnek Client Logging Service" "    /dlp - Varnek DLP" \
  "    /msde - Microsoft SQL Desktop Engine" "    /database - Varnek Enterprise Database" \
  "    /generator - Varnek Enterprise Suite Installation Generator" "    /api - Varnek Platform API")

machine=demo   # or "empty": a machine with only the suite's root folders and keys
box=""
log=""         # the log file the case asks for, as a host path; its checks: check_log_<case>
untouched=""   # set: the snapshot must show no change at all
exe="$bin/ZEMRemove.exe"
run_env=()     # the program's run gets this environment too
kept=()        # items of the inventory ("<kind> <item>") that stay although their component goes
companion=""   # a process the set-up started (setup_<case>): it must end by itself with 0
case_name="$1"
prefix="$e2e/case-$1"
# Z: is the host's root under Wine: the log lies outside the machine, so that
# the snapshot sees only what the removal changed.
logs="$prefix.logs"
windows_path() { local p="${1//\//\\}"; echo "Z:$p"; }
suite_folder='C:\Program Files (x86)\Varnek Enterprise'
dlp_folder="$suite_folder\ZEM Client\DLP"
case "$case_name" in
  all)                 args="/silent /all";                     code=0;    gone="all roots" ;;
  api)                 args="/silent /api";                     code=0;    gone="api" ;;
  console)             args="/silent /console";                 code=0;    gone="console" ;;
  server)              args="/silent /server";                  code=0;    gone="server" ;;
  relay)               args="/silent /relay";                   code=0;    gone="relay" ;;
  dlp)                 args="/silent /dlp";                     code=0;    gone="dlp" ;;
  loggingservice)      args="/silent /loggingservice";          code=0;    gone="loggingservice dlp" ;;
  client-refused)      args="/silent /client";                  code=87;   gone="";  box="$client_rule" ;;
  client-force)        args="/silent /client /force";           code=0;    gone="client loggingservice dlp" ;;
  client-relay-server) args="/silent /client /relay /server";   code=0;    gone="relay server dlp loggingservice client" ;;
  generator)           args="/silent /generator";               code=0;    gone="generator" ;;
  msde)                args="/silent /msde";                    code=0;    gone="msde" ;;
  database)            args="/silent /database";                code=0;    gone="database" ;;
  upper-case)          args="/SILENT /all";                     code=0;    gone="";   dialog=1 ;;
  help-on-empty)       args="/silent";                          code=87;   gone="roots"; box="$help_text"; machine=empty ;;
  # A quoted log path with a blank in it.
  logfile-all)         log="$logs/all run.log"
                       args="/silent /all /logfile=\"$(windows_path "$log")\"";       code=0; gone="all roots" ;;
  logfile-uncreatable) log="$logs/missing/run.log"
                       args="/silent /all /logfile=$(windows_path "$log")";           code=1622; gone=""; untouched=1 ;;
  detect-plan)         log="$logs/plan.log"
                       args="/silent /all /detect /logfile=$(windows_path "$log")";   code=1; gone=""; untouched=1 ;;
  # The path names /client and /server: it must select neither.
  logfile-names-switches) log="$logs/client logs/server.log"
                       args="/silent /dlp \"/LogFile=Z:$log\"";                      code=0; gone="dlp" ;;
  # Copies of system DLLs beside the program, preferred where Windows would: none may load.
  planted-dlls)        log="$logs/run.log"; exe="$prefix.plant/ZEMRemove.exe"
                       run_env=(WINEDLLOVERRIDES="$WINEDLLOVERRIDES;odbc32,odbccp32,version,dbghelp=n,b")
                       args="/silent /all /logfile=$(windows_path "$log")";           code=0; gone="all roots" ;;
  # No /silent where nobody could see the dialog, as under a service: the help goes to the log.
  hidden-dialog)       log="$logs/help.log"; run_env=(ZEM_HIDDEN_STATION=1)
                       args="/relay /LOGFILE=$(windows_path "$log")";                  code=87; gone=""; untouched=1 ;;
  # A drive letter on the users folder: a protected folder named through it is
  # refused as under its own name, and the run ends the same (1603; the
  # components' own folders, which their registrations no longer name, stay).
  other-name)          log="$logs/run.log"; args="/silent /console /relay /logfile=$(windows_path "$log")"
                       code=1603; gone="console relay"; kept=("folder $suite_folder\ZEM Console" "folder $suite_folder\ZEM Relay") ;;
  # A hard link in the suite's folder to a read-only file elsewhere: that file
  # keeps its attribute. Wine 8 has no delete that ignores read-only, so the
  # link's name cannot go as it is: that step fails, the folder stays, 1603.
  # Wine 10 (as Windows 10) deletes the name with its attribute untouched.
  hard-link)           log="$logs/run.log"; args="/silent /dlp /logfile=$(windows_path "$log")"
                       code=1603; gone="dlp"; kept=("folder $dlp_folder")
                       [ "${ZEM_WINE_MAJOR:-8}" -lt 10 ] || { code=0; kept=(); } ;;
  # A file in the suite's folder held open with delete sharing by another
  # process (a scanner) that lets go 2 s after the removal reached the folder:
  # 0 and nothing left, under Wine 8 as the folder is retried, under Wine 10
  # through the POSIX delete.
  held-file)           log="$logs/run.log"; args="/silent /dlp /logfile=$(windows_path "$log")"; code=0; gone="dlp" ;;
  *) echo "unknown case $1"; exit 2 ;;
esac

if [ "$machine" = demo ]; then
  e2e_copy "$e2e/template" "$prefix"
  installed="$e2e/installed.txt"
  before="$e2e/template.json"
else
  e2e_copy "$ZEM_RUN_DIR/wineprefix" "$prefix"
  # Only what the root clean-up removes: left behind by earlier uninstalls.
  mkdir -p "$prefix/drive_c/Program Files (x86)/Varnek Enterprise/Logs" "$prefix/drive_c/users/root/AppData/Local/Varnek"
  touch "$prefix/drive_c/Program Files (x86)/Varnek Enterprise/Logs/setup.log"
  wine reg add 'HKLM\SOFTWARE\Varnek\Shared' /v Leftover /d 1 /f /reg:32 >/dev/null 2>&1
  wine reg add 'HKCU\Software\Varnek\ClientUI' /v Leftover /d 1 /f >/dev/null 2>&1
  wineserver -w
  installed="$prefix.installed"
  bash "$scripts/inventory.sh" "$prefix" >"$installed"
  before="$prefix.json"
  python3 "$scripts/snapshot.py" take "$prefix" "$before"
fi
[ -z "$log" ] || mkdir -p "$logs/client logs"
[ "$exe" = "$bin/ZEMRemove.exe" ] || { mkdir -p "${exe%/*}" && cp "$bin/ZEMRemove.exe" "$ZEM_BUILD_DIR"/planted/*.dll "${exe%/*}"; }

# Wine very rarely hangs a session of a fresh copy. A hang is reported with
# where it happened and the case is run once more from a fresh copy; a second
# hang fails the case. Each case run again leaves a mark: the whole run fails
# when more than one case needed it (silent_e2e_retries.sh).
hung() { # what seconds
  echo "HANG: $1 did not finish within $2 s"
  wineserver -k 2>/dev/null || true
  if [ -z "${ZEM_E2E_RETRIED:-}" ]; then
    mkdir -p "$e2e/retried"
    echo "$1 did not finish within $2 s" >"$e2e/retried/$case_name"
    echo "running the case once more from a fresh copy"
    rm -rf "$prefix" "$prefix".*
    ZEM_E2E_RETRIED=1 exec bash "$0" "$case_name"
  fi
  fail "$1 hung twice"
  exit 1
}

# Case set-ups, run in the case's session before the removal (setup_<case>).
host_dlp="$prefix/drive_c/Program Files (x86)/Varnek Enterprise/ZEM Client/DLP"
tools_readme="$prefix/drive_c/Program Files (x86)/Varnek Enterprise Tools/readme.txt"
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A00000'
setup_other-name() {
  ln -s ../drive_c/users "$prefix/dosdevices/p:" &&
    wine reg add "${uninstall}4}" /v InstallLocation /d 'P:\Public' /f /reg:32 </dev/null >/dev/null 2>&1 &&
    wine reg add "${uninstall}5}" /v InstallLocation /d 'P:\alice\Documents' /f /reg:32 </dev/null >/dev/null 2>&1 &&
    [ -d "$prefix/drive_c/users/Public/Documents" ] && [ -f "$prefix/drive_c/users/alice/Documents/budget.txt" ]
}
setup_hard-link() {
  chmod a-w "$tools_readme" && ln "$tools_readme" "$host_dlp/Tools readme.txt" || return 1
  readme_mode=$(stat -c %a "$tools_readme")
  [ $((8#$readme_mode & 8#222)) -eq 0 ] && [ "$(stat -c %h "$tools_readme")" = 2 ]
}
setup_held-file() {
  echo custom >"$host_dlp/policies/custom.pol" || return 1
  timeout -k 5 150 wine "$bin/file_holder.exe" "$dlp_folder\policies\custom.pol" "$(windows_path "$logs/held.ready")" \
    "$dlp_folder\policies\default.pol" 2000 </dev/null >"$prefix.holder" 2>&1 &
  companion=$!
  local tries
  for tries in $(seq 1 300); do
    [ ! -e "$logs/held.ready" ] && kill -0 "$companion" 2>/dev/null || break
    sleep 0.1
  done
  [ -e "$logs/held.ready" ] || { echo "the holder never got ready: $(cat "$prefix.holder")"; return 1; }
}

wineserver -p
status=0
timeout -k 5 60 "$WINELOADER" wineboot </dev/null >/dev/null 2>&1 || status=$?
[ "$status" -lt 124 ] || hung "wineboot" 60
if declare -F "setup_$case_name" >/dev/null && ! "setup_$case_name"; then
  fail "the set-up of $case_name failed"
  exit 1
fi
reader=""
if [ -n "${dialog:-}" ]; then
  # Not the silent mode: the dialog opens; it is closed once detection has ended.
  wine "$bin/box_reader.exe" "Varnek Removal Utility" 120000 'C:\dialog.txt' cancel </dev/null >/dev/null 2>&1 &
  reader=$!
elif [ -n "$box" ]; then
  wine "$bin/box_reader.exe" ZEMRemove 60000 'C:\box.txt' </dev/null >/dev/null 2>&1 &
  reader=$!
fi
# Into a file, not a pipe: a process left behind must not hold the reader.
status=0
env "${run_env[@]}" ZEM_COMMAND_LINE="\"$exe\" $args" timeout -k 5 180 "$WINELOADER" "$bin/run_command.exe" \
  </dev/null >"$prefix.result" 2>/dev/null || status=$?
[ "$status" -lt 124 ] || hung "ZEMRemove.exe $args" 180
# run_command gives up on its own after 150 s (status 4): a hang as well.
[ "$status" -ne 4 ] || hung "ZEMRemove.exe $args (run_command)" 150
result=$(tr -d '\r' <"$prefix.result")
echo "ZEMRemove.exe $args: $result"
[ "${result%% after*}" = "exit $code" ] || fail "expected exit $code, got '$result'"
if [ -n "$companion" ]; then
  status=0
  wait "$companion" || status=$?
  [ "$status" -eq 0 ] || fail "the set-up's process ended with $status: $(tr -d '\r' <"$prefix.holder")"
fi
if [ -n "${dialog:-}" ]; then
  wait "$reader" || fail "no dialog \"Varnek Removal Utility\" appeared and closed"
  rm -f "$prefix/drive_c/dialog.txt"
elif [ -n "$reader" ]; then
  wait "$reader" || fail "no message box with the caption ZEMRemove appeared"
  shown=$(cat "$prefix/drive_c/box.txt" 2>/dev/null || true)
  rm -f "$prefix/drive_c/box.txt"
  [ "$shown" = "$box" ] || fail "message box text: expected '$box', got '$shown'"
fi
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# The demo machine's components in removal order, by the names they are registered with
# (the console's in the ANSI bytes of its partner's quotes, kept byte for byte).
removal_order=("Varnek Enterprise Suite API" $'\xbbVarnek Enterprise Console\xab' "Varnek Enterprise Relay" "Varnek Enterprise Server" "Varnek DLP"
  "Varnek Client Logging Service" "Varnek Enterprise Client" "Varnek Databases"
  "Varnek Enterprise Suite Installation Generator" "Microsoft SQL Server Desktop Engine")
# The log's lines without their "\r" are in a file; in_log greps it (and never fails the script).
in_log() { grep -a "$@" "$prefix.loglines" || true; }
check_log_header_and_end() {
  local first last
  first=$(head -1 "$prefix.loglines")
  last=$(tail -1 "$prefix.loglines")
  [[ "$first" =~ ^ZEMRemove\ [0-9.]+\ started\ [0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9:]{8}\ with\ command\ line:\ (.*)$ ]] \
    && [ "${BASH_REMATCH[1]}" = "$args" ] || fail "log header: '$first'"
  [ "$last" = "ZEMRemove ended with exit code $code" ] || fail "log closing line: '$last'"
}
check_log_logfile-all() {
  check_log_header_and_end
  [ "$(in_log -c '^\* Detecting ')" -eq 20 ] || fail "log: expected 20 detection banners"
  local removed expected
  removed=$(in_log '^x Removing ' | sed 's/^x Removing //')
  expected=$(printf '%s\n' "${removal_order[@]}" "Varnek root folders and registry keys")
  [ "$removed" = "$expected" ] || fail "log: removal banners $(echo "$removed" | tr '\n' '|')"
  [[ "$(in_log -A2 '^No more products installed. Removing root folders and reg keys...$')" == *xxxxxxxxxx* ]] \
    || fail "log: no root clean-up announced before its banner"
  [ -n "$(in_log '^Deleting directory ".*Varnek Enterprise"\.\.\.done$')" ] || fail "log: root folder not removed"
  [ -z "$(in_log '^Message box')" ] || fail "log: a message box"
}
check_log_logfile-uncreatable() {
  [ ! -e "$log" ] || fail "a log was written"
  [ ! -e "$(dirname "$log")" ] || fail "the log's folder was created"
}
check_log_detect-plan() {
  check_log_header_and_end
  [ "$(in_log -c '^\* Detecting ')" -eq 10 ] || fail "log: expected 10 detection banners"
  [ -z "$(in_log '^x Removing ')" ] || fail "log: a removal ran"
  local plan expected
  plan=$(in_log '^Would remove: ' | sed 's/^Would remove: //')
  expected=$(printf '%s\n' "${removal_order[@]}" "Varnek root folders and registry keys")
  [ "$plan" = "$expected" ] || fail "log: plan $(echo "$plan" | tr '\n' '|')"
}
check_log_logfile-names-switches() {
  check_log_header_and_end
  local removed
  removed=$(in_log '^x Removing ')
  [ "$removed" = "x Removing Varnek DLP" ] || fail "log: removals $(echo "$removed" | tr '\n' '|')"
}
check_log_planted-dlls() {
  check_log_header_and_end
  [ -z "$(find "${exe%/*}" -name '*.loaded')" ] || fail "planted DLLs were loaded: $(ls "${exe%/*}" | tr '\n' ' ')"
}
check_log_hidden-dialog() {
  check_log_header_and_end
  [ "$(sed -n 2p "$prefix.loglines")" = 'Message box "ZEMRemove": To remove ZEM components silently' ] || fail "log: no help"
}
check_log_other-name() {
  check_log_header_and_end
  local folder
  for folder in 'P:\Public' 'P:\alice\Documents'; do
    [ -n "$(in_log -F "Refusing to delete directory \"$folder\": ")" ] || fail "log: $folder not refused"
  done
}
check_log_hard-link() {
  check_log_header_and_end
  [ "$(stat -c %a "$tools_readme")" = "$readme_mode" ] || fail "the linked file outside the suite lost its read-only mode"
  local failed
  failed=$(in_log -E '\.\.\.error occured while trying to delete file ".*\\DLP\\Tools readme\.txt"$')
  if [ "$code" = 0 ]; then [ -z "$failed" ] || fail "log: $failed"; else [ -n "$failed" ] || fail "log: the link's delete did not fail"; fi
}
check_log_held-file() {
  check_log_header_and_end
  [ -z "$(in_log 'not empty')" ] || fail "log: $(in_log 'not empty')"
}
if [ -n "$log" ]; then
  [ ! -e "$log" ] || tr -d '\r' <"$log" >"$prefix.loglines"
  if [ "$code" != 1622 ] && [ ! -e "$log" ]; then fail "no log file at $log"; else "check_log_$case_name"; fi
fi

if [ ${#kept[@]} -gt 0 ]; then
  e2e_keep "$installed" "$prefix.kept" "${kept[@]}"
  installed="$prefix.kept"
fi
e2e_footprint "$prefix" "$before" "$installed" "$gone"
if [[ " $gone " != *" server "* && " $gone " != *" all "* ]] && grep -q 'ZEM Web' "$prefix.changes"; then
  fail "the server's web folder changed although the server stays: $(grep 'ZEM Web' "$prefix.changes" | head -3)"
fi
if [ -n "$untouched" ] && [ -s "$prefix.changes" ]; then
  fail "the machine changed: $(head -3 "$prefix.changes")"
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
