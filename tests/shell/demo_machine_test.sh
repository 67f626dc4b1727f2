#!/usr/bin/env bash
# The demo machine and its tools, on a fresh copy of the test prefix:
# - the snapshot of a copy equals that of the copy's copy, and a Wine session
#   that does nothing changes nothing outside what Wine rewrites by itself;
# - the builder installs the whole suite (inventory as expected);
# - each component's registered uninstaller, run as the removal utility runs
#   it, removes its part; the stand-in setups refuse wrong switches and wrong
#   response files and then remove nothing;
# - nothing that is not the suite's changes on the way.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
source "$ZEM_SOURCE_DIR/tests/shell/e2e_lib.sh"
here="$ZEM_SOURCE_DIR/tests/shell"
scripts="$ZEM_SOURCE_DIR/scripts"
bin="$ZEM_BUILD_DIR/bin"

scratch="$(mktemp -d "$ZEM_RUN_DIR/demo-machine-test.XXXXXX")"
end_sessions() {
  for prefix in "$scratch"/*/; do
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  done
}
# ZEM_KEEP_SCRATCH=1 keeps the prefixes for a look afterwards.
trap 'end_sessions; [ -n "${ZEM_KEEP_SCRATCH:-}" ] || rm -rf "$scratch"' EXIT
check_same() { # label expected-file actual-file
  if ! diff -u "$2" "$3"; then fail "$1"; fi
}

export WINEPREFIX="$scratch/machine"
cp -a "$ZEM_RUN_DIR/wineprefix" "$WINEPREFIX"
cp -a "$WINEPREFIX" "$scratch/twin"

echo "== snapshots of two untouched copies are equal"
python3 "$scripts/snapshot.py" take "$WINEPREFIX" "$scratch/machine.json"
python3 "$scripts/snapshot.py" diff "$scratch/machine.json" "$scratch/twin" >"$scratch/diff" || fail "untouched copies differ: $(head -5 "$scratch/diff")"
rm -rf "$scratch/twin"

echo "== a session that does nothing changes nothing but what Wine rewrites"
wine cmd /c exit </dev/null >/dev/null 2>&1
wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true
python3 "$scripts/snapshot.py" diff "$scratch/machine.json" "$WINEPREFIX" >"$scratch/diff" || fail "an idle session changed: $(head -5 "$scratch/diff")"

echo "== the builder installs the suite"
started=$(date +%s%N)
bash "$scripts/demo-machine.sh" "$WINEPREFIX"
echo "demo machine built in $(( ($(date +%s%N) - started) / 1000000 )) ms"
bash "$scripts/inventory.sh" "$WINEPREFIX" >"$scratch/installed.txt"
check_same "inventory of the demo machine" "$here/demo_machine_installed.txt" "$scratch/installed.txt"
python3 "$scripts/snapshot.py" take "$WINEPREFIX" "$scratch/installed.json"

# The programs whose version the removal utility reads carry a version resource.
python3 - "$WINEPREFIX/drive_c/Program Files (x86)/Varnek Enterprise" <<'PY' || fail "version resources"
import struct, sys
expected = {"ZEM Client/ZEMClient.exe": "7.1.1.315", "ZEM Console/ZEMConsole.exe": "7.1.1.315",
            "ZEM Client/DLP/ZEMTightlidCtrl.exe": "3.2.0.48"}
ok = True
for name, version in expected.items():
    data = open(sys.argv[1] + "/" + name, "rb").read()
    at = data.find(b"\xbd\x04\xef\xfe")  # the fixed file information's signature
    ms, ls = struct.unpack_from("<II", data, at + 8)
    found = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    print("%s has version %s" % (name, found))
    ok = ok and at >= 0 and found == version
sys.exit(0 if ok else 1)
PY

registered() { python3 "$scripts/demo/lookup.py" "$WINEPREFIX" "$1" UninstallString; }
api=$(registered "Varnek Enterprise Suite API")
console=$(registered "»Varnek Enterprise Console«")
relay=$(registered "Varnek Enterprise Relay")
server=$(registered "Varnek Enterprise Server")
generator=$(registered "Varnek Enterprise Suite Installation Generator")
logging=$(registered "ZEM Logging Service")
client=$(registered "Varnek Enterprise Client")
msde=$(registered "Microsoft SQL Server Desktop Engine")
dlp='C:\Program Files (x86)\Varnek Enterprise\ZEM Client\DLP\ZEMTightlidCtrl.exe'
helper='"C:\Program Files (x86)\Varnek Enterprise\ZEM Client\ZEMClientHelper.exe"'

# The response files, as the removal utility writes them.
temp="$WINEPREFIX/drive_c/users/root/Temp"
mkdir -p "$temp"
printf '[InstallShield Silent]\r\nVersion=v7.00\r\nFile=Response File\r\n[File Transfer]\r\nOverwrittenReadOnly=NoToAll\r\n' >"$temp/vartest.tmp"
[ "$(stat -c %s "$temp/vartest.tmp")" = 105 ] || fail "response file is not 105 bytes"
head -c 103 "$temp/vartest.tmp" >"$temp/varshort.tmp"
code='{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000008}'
printf '[%s-DlgOrder]\r\nDlg0=%s-MessageBox-0\r\nCount=2\r\nDlg1=%s-SdFinish-0\r\n[%s-MessageBox-0]\r\nResult=6\r\n[%s-SdFinish-0]\r\nResult=1\r\nbOpt1=0\r\nbOpt2=0\r\n' \
  "$code" "$code" "$code" "$code" "$code" >"$temp/varapi.tmp"
response='C:\users\root\Temp\vartest.tmp'

wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true
# Runs a command line unchanged, waits for its whole job; prints "exit <code> after <n> ms".
run() { ZEM_COMMAND_LINE="$1" wine "$bin/run_command.exe" </dev/null 2>/dev/null | tr -d '\r' || true; }
expect_exit() { # label expected-code command-line
  local result
  result=$(run "$3")
  echo "$1: $result"
  [ "${result%% after*}" = "exit $2" ] || fail "$1: expected exit $2, got '$result'"
}
expect_lingered() { # label command-line: success, and the setup's child kept the job alive
  local result ms
  result=$(run "$2")
  echo "$1: $result"
  ms=${result##* after }; ms=${ms%% ms}
  [ "${result%% after*}" = "exit 0" ] || fail "$1: expected exit 0, got '$result'"
  [ "${ms:-0}" -ge 900 ] 2>/dev/null || fail "$1: the lingering child was not waited for ($result)"
}

echo "== wrong switches and response files are refused"
expect_exit "relay, no response file" 1 "$relay -s --uninstallsilent"
expect_exit "relay, short response file" 2 "$relay -s --uninstallsilent -f1\"C:\\users\\root\\Temp\\varshort.tmp\""
expect_exit "relay, missing response file" 2 "$relay -s --uninstallsilent -f1\"C:\\users\\root\\Temp\\missing.tmp\""
expect_exit "api, the suite's response file" 2 "$api -s -f1\"$response\""
expect_exit "console, upper-case switch" 1 "$console /S /z\"uninstall\""
expect_exit "server, installshield switches" 1 "$server -s --uninstallsilent -f1\"$response\""
expect_exit "dlp, no switch" 1 "$dlp"
wineserver -k; wineserver -w 2>/dev/null || true
bash "$scripts/inventory.sh" "$WINEPREFIX" >"$scratch/refused.txt"
check_same "refused runs removed nothing" "$scratch/installed.txt" "$scratch/refused.txt"

echo "== each registered uninstaller removes its part"
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true
expect_lingered "api" "$api -s -f1\"C:\\users\\root\\Temp\\varapi.tmp\""
expect_lingered "console" "$console /s /z\"uninstall\""
expect_lingered "relay" "$relay -s --uninstallsilent -f1\"$response\""
expect_lingered "server" "$server /s /z\"uninstall\""
expect_lingered "dlp" "$dlp -u"
expect_exit "logging service" 0 "$logging /qn REBOOT=REALLYSUPPRESS"
expect_exit "client helper" 0 "$helper -remove"
wine sc stop ZEMClient </dev/null >/dev/null 2>&1 || true
# The registered /I only repairs: the client is still there afterwards.
expect_exit "client, registered command (repair)" 0 "$client /qn"
wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000001}' /reg:32 \
  </dev/null >/dev/null 2>&1 || fail "a repair removed the client"
expect_exit "client, /X" 0 "${client/\/I/\/X} /qn"
expect_lingered "generator" "$generator /s /z\"uninstall\""
expect_exit "msde" 0 "$msde /qn"
wineserver -k; wineserver -w 2>/dev/null || true

bash "$scripts/inventory.sh" "$WINEPREFIX" >"$scratch/uninstalled.txt"
check_same "what the uninstallers leave" "$here/demo_machine_uninstalled.txt" "$scratch/uninstalled.txt"

echo "== nothing that is not the suite's changed"
e2e_snapshot_diff "$scratch/installed.json" "$scratch/changes.txt"
grep -E 'Brightwater|Varnek Labs|VarnekTools|Varnek Enterprise Tools|alice|S-1-5-21-0-0-0-1001|\\Documents\\|\\Desktop\\|7D1E0A55|01C9A2F31B55D0E4|C:\\ZEM Web\\wwwrootzem\\(index\.html|custom)' \
  "$scratch/changes.txt" >"$scratch/collateral.txt" && fail "things not the suite's changed: $(cat "$scratch/collateral.txt")"
grep -q 'removed reg HKLM\\System\\CurrentControlSet\\Services\\ZEMRelay$' "$scratch/changes.txt" || fail "the snapshot misses the relay's service"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
