# Sourced by the end-to-end scripts (dialog_e2e_test.sh, silent_e2e_test.sh,
# demo_machine_test.sh) and by the 32-bit guest suite, which has it beside its
# run.sh: failures, the fresh copy of a machine, the dialog's run under
# dialog_driver.exe, and the footprint check that ends every case.
# The guest sets e2e_wine, e2e_bin, e2e_scripts and e2e_snapshot after sourcing.
e2e_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
e2e_wine=${WINELOADER:-wine}
e2e_bin="${ZEM_BUILD_DIR:-}/bin"
e2e_scripts="${ZEM_SOURCE_DIR:-}/scripts"
e2e_snapshot="$e2e_scripts/snapshot.py"
e2e_indent=""

failures=0
fail() { echo "${e2e_indent}FAIL: $*"; failures=$((failures + 1)); }

# e2e_copy SOURCE PREFIX: PREFIX becomes a fresh copy of the machine SOURCE and
# the Wine prefix of what follows. At exit its session ends, and the copy goes
# with every PREFIX.* file and folder (ZEM_KEEP_SCRATCH keeps them).
e2e_copy() {
  e2e_prefix=$2
  rm -rf "$e2e_prefix" "$e2e_prefix".*
  trap 'WINEPREFIX="$e2e_prefix" wineserver -k 2>/dev/null || true
        [ -n "${ZEM_KEEP_SCRATCH:-}" ] || rm -rf "$e2e_prefix" "$e2e_prefix".*' EXIT
  cp -a "$1" "$e2e_prefix"
  export WINEPREFIX="$e2e_prefix"
  # The copy's own SQL server and odbc.ini: copies run side by side.
  zem_prefix_odbc "$e2e_prefix"
}

e2e_end_session() {
  timeout 60 wineserver -k 2>/dev/null || true
  timeout 120 wineserver -w 2>/dev/null || true
}

# dialog_driver's texts are the dialog's own (ANSI); a missing file reads empty.
e2e_text() { iconv -f CP1252 -t UTF-8 "$1" 2>/dev/null | tr -d '\r' || true; }

# e2e_snapshot_diff BEFORE OUT [options]: what changed on $WINEPREFIX since the
# snapshot BEFORE, into OUT; a diff that did not answer "same" or
# "different" fails the case.
e2e_snapshot_diff() {
  local before=$1 out=$2 status=0
  shift 2
  python3 "$e2e_snapshot" diff "$before" "$WINEPREFIX" "$@" >"$out" || status=$?
  case "$status" in
    0 | 3) return 0 ;;
    *) fail "the snapshot diff ended with $status"; return 1 ;;
  esac
}

# e2e_dialog cancel|remove-all OUT ROWS SECONDS: ZEMRemove.exe without arguments
# (session started), operated by dialog_driver.exe: the list is read, "Remove
# All" pressed, the confirmation cancelled or confirmed (then the summary
# answered, the log and the list read again) and the dialog closed. OUT is a
# folder outside the machine; ROWS the list expected, sorted.
e2e_dialog() {
  local mode=$1 out=$2 expected=$3 seconds=$4 status=0
  local winout="Z:${out//\//\\}" driver=(timeout -k 5 $((seconds + 40)) "$e2e_wine" "$e2e_bin/dialog_driver.exe")
  mkdir -p "$out"
  timeout -k 5 $((seconds + 60)) "$e2e_wine" "$e2e_bin/ZEMRemove.exe" </dev/null >"$out/program" 2>&1 &
  local program=$!
  if [ "$mode" = remove-all ]; then
    "${driver[@]}" remove-all "$winout" "$seconds" </dev/null >"$out/driver" 2>&1 || status=$?
  else
    { "${driver[@]}" wait-ready "$seconds" && "${driver[@]}" rows "$winout\\rows.txt" 60 &&
      "${driver[@]}" click remove-all 60 && "${driver[@]}" answer 'Confirm Removal' cancel "$winout\\confirm.txt" 60 &&
      "${driver[@]}" rows "$winout\\rows-after.txt" 60 && "${driver[@]}" close 120; } </dev/null >"$out/driver" 2>&1 ||
      status=$?
  fi
  tr -d '\r' <"$out/driver" | sed "s/^/$e2e_indent/"
  if [ "$status" -ne 0 ]; then
    fail "dialog_driver $mode ended with $status"
    ps -eo etime,args | grep -iE '\.exe|msiexec' | grep -v grep | sed "s/^/$e2e_indent  still runs: /" || true
    timeout 60 wineserver -k 2>/dev/null || true # the dialog may still be open
  fi
  local program_status=0
  wait "$program" || program_status=$?
  [ "$program_status" -eq 0 ] || fail "ZEMRemove.exe ended with $program_status (124: still open)"

  [ "$(e2e_text "$out/rows.txt" | head -1)" = $'Name\tVersion' ] ||
    fail "list columns: '$(e2e_text "$out/rows.txt" | head -1)'"
  local rows count
  rows=$(e2e_text "$out/rows.txt" | tail -n +2 | LC_ALL=C sort)
  count=$(echo "$expected" | wc -l)
  if [ "$rows" != "$expected" ]; then
    fail "listed products (- expected, + shown)"
    diff <(echo "$expected") <(echo "$rows") | sed "s/^/$e2e_indent/" || true
  fi
  [ "$(e2e_text "$out/confirm.txt")" = $'Confirm Removal\nAre you sure you want to remove all '$count' installed components?' ] ||
    fail "confirmation: '$(e2e_text "$out/confirm.txt")'"
  if [ "$mode" = remove-all ]; then
    [ "$(e2e_text "$out/summary.txt")" = $'Success\nSuccessfully removed '$count' products.' ] ||
      fail "summary: '$(e2e_text "$out/summary.txt")'"
    [ "$(e2e_text "$out/rows-after.txt")" = $'Name\tVersion' ] ||
      fail "still listed afterwards: $(e2e_text "$out/rows-after.txt")"
  else
    [ "$(e2e_text "$out/rows-after.txt")" = "$(e2e_text "$out/rows.txt")" ] || fail "the list changed after Cancel"
  fi
}

# e2e_keep INSTALLED OUT ITEM...: the inventory INSTALLED into OUT with each
# ITEM ("<kind> <item>") marked to stay: e2e_footprint then expects it
# although its component goes (a step that must fail or be refused).
e2e_keep() {
  local installed=$1 out=$2
  shift 2
  python3 - "$installed" "$@" >"$out" <<'PY' || fail "the kept items are not in the inventory: $*"
import sys
keep = set(sys.argv[2:])
lines = [line.split(" ", 1) for line in open(sys.argv[1]).read().splitlines()]
for component, item in lines:
    print(("=" if item in keep else "") + component + " " + item)
sys.exit(0 if keep <= {item for _, item in lines} else 1)
PY
}

# e2e_footprint STEM BEFORE INSTALLED GONE [snapshot diff options]: the check
# that ends a case, on $WINEPREFIX (its session is ended first). What is left
# of the suite must be the inventory INSTALLED less the components named in
# GONE ("all": everything; "roots": the suite's root folders and keys; lines
# marked by e2e_keep stay all the same), and
# nothing that is not the suite's may have changed since the snapshot BEFORE.
# Leaves STEM.left, STEM.expected and STEM.changes.
# Every function here also runs under set -e: a check that fails calls fail.
e2e_footprint() {
  local stem=$1 before=$2 installed=$3 gone=$4 status=0
  shift 4
  e2e_end_session
  # Deleting a relay or a server takes the server keys they share (and with
  # them the inventory's way to the server's web folder, whose folders must
  # stay all the same: the snapshot shows them). The client's package takes
  # "Varnek, Inc." with it once its only key is gone.
  python3 - "$installed" "$gone" >"$stem.expected" <<'PY' || fail "the expected footprint cannot be computed"
import sys
lines = open(sys.argv[1]).read().splitlines()
gone = set(sys.argv[2].split())
server_keys = ("HKLM\\SOFTWARE\\Varnek\\Enterprise Server", "HKLM\\SOFTWARE\\Varnek\\Varnek Server",
               "HKLM\\SOFTWARE\\Varnek\\ZEMRelay", "HKLM\\SOFTWARE\\Varnek\\VNEAdmin")
for line in lines:
    component, kind, item = line.split(" ", 2)
    if component.startswith("="):
        print(line[1:])
        continue
    if "all" in gone or component in gone:
        continue
    if gone & {"relay", "server"} and any(item.startswith(k) for k in server_keys):
        continue
    if "relay" in gone and component == "server" and item.startswith("C:\\ZEM Web\\"):
        continue
    if "client" in gone and item == "HKLM\\SOFTWARE\\Varnek, Inc.":
        continue
    print(line)
PY
  if ! python3 "$e2e_scripts/demo/inventory.py" "$WINEPREFIX" >"$stem.left"; then
    fail "the inventory of what is left failed"
  elif ! diff -u "$stem.expected" "$stem.left" >"$stem.unexpected"; then
    sed "s/^/$e2e_indent/" "$stem.unexpected"
    fail "the suite's footprint afterwards (- expected, + found)"
  fi
  e2e_snapshot_diff "$before" "$stem.changes" "$@" || return 0
  python3 "$e2e_here/suite_footprint.py" <"$stem.changes" >"$stem.strays" || status=$?
  sed "s/^/$e2e_indent/" "$stem.strays"
  case "$status" in
    0) echo "$e2e_indent$(wc -l <"$stem.changes") changes, all within the suite's footprint" ;;
    3) fail "something that is not the suite's changed" ;;
    *) fail "suite_footprint.py ended with $status" ;;
  esac
}
