#!/usr/bin/env bash
# The smoke suite of the shipped 32-bit ZEMRemove.exe, run for real: builds
# the 32-bit program and helpers (win32 preset, -DZEM_BUILD_FIXTURES=ON), the
# emulated machine (build-guest.sh, cached), and a payload disk with the
# program, the helpers, the small machine's packages and the guest's test
# script (tests/vm32/guest-suite.sh), boots the machine, and reads the
# results from its serial console. Ends with "N passed, N failed".
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../wine-env.sh"
src="$ZEM_SOURCE_DIR"
win32="$ZEM_BUILD_DIR-win32"
vm="$ZEM_BUILD_DIR/vm32"
started=$SECONDS

# The emulated machine and the 32-bit stand-in ODBC driver it uses.
bash "$here/../setup.sh" qemu-system-x86 mmdebstrap e2fsprogs gcc-multilib

cmake --preset win32 -B "$win32" -DZEM_BUILD_FIXTURES=ON >/dev/null
nice -n 15 cmake --build "$win32" -j2 --target zem_vm32_payload >/dev/null

# ZEM_VM32_GUEST: an already prepared guest folder (another tree's), which
# is only ever booted read-only.
guest=${ZEM_VM32_GUEST:-$(bash "$here/build-guest.sh" | tail -1)}
built=$SECONDS

stage="$vm/payload"
rm -rf "$stage"
mkdir -p "$stage/bin/planted" "$stage/odbc" "$stage/scripts" "$stage/msi"
cp "$win32/bin/"{ZEMRemove.exe,standin_setup.exe,demo_service.exe,run_command.exe,odbccp32.dll,throwing_listener.exe,dialog_driver.exe} "$stage/bin/"
cp "$win32/planted/"*.dll "$stage/bin/planted/"
cp "$win32/odbc/libzemsqlserver.so" "$stage/odbc/"
sed "s|@ZEM_ODBC_DRIVER@|/payload/odbc/libzemsqlserver.so|" "$src/tests/odbc_driver/odbcinst.ini.in" >"$stage/odbc/odbcinst.ini"
cp -r "$src/scripts/demo" "$src/scripts/snapshot.py" "$stage/scripts/"
cp "$src/tests/shell/suite_footprint.py" "$src/tests/shell/e2e_lib.sh" "$src/tests/vm32/small_machine.py" "$src/tests/vm32/guest_snapshot.py" "$stage/"
cp "$src/tests/vm32/guest-suite.sh" "$stage/run.sh"
printf '%s' "${ZEM_VM32_ONLY:-}" >"$stage/only"
python3 "$src/tests/vm32/small_machine.py" package "$vm/packages" "$win32/bin" >/dev/null
cp "$vm/packages/"*.msi "$stage/msi/"
rm -f "$vm/payload.img"
mke2fs -q -t ext4 -d "$stage" "$vm/payload.img" 64M >"$vm/payload.log" 2>&1 || { cat "$vm/payload.log"; exit 1; }

echo "vm32: booting the 32-bit test machine ($(basename "$guest"))"
serial="$vm/serial.log"
status=0
# One emulated machine at a time: two would share the host's cores.
ZEM_VM32_TIMEOUT=${ZEM_VM32_TIMEOUT:-3600} flock /tmp/zem-vm32.lock bash "$here/run-guest.sh" "$guest" "$vm/payload.img" \
  | stdbuf -oL tr -d '\r' | tee "$serial" | grep --line-buffered -v '^\s*$' | sed -u 's/^/vm32| /' || status=$?
[ "$status" -eq 0 ] || echo "vm32: the emulated machine ended with status $status (124: timed out)"

passed=0
failed=0
cases=$(sed -n 's/^ZEM-VM32-CASES //p' "$serial" | head -1)
if [ -z "$cases" ]; then
  echo "vm32: the guest never started the suite"
  failed=1
fi
for name in $cases; do
  verdict=$(sed -n "s/^ZEM-VM32-RESULT $name \([A-Z]*\) .*/\1/p" "$serial" | head -1)
  case "$verdict" in
    PASS) passed=$((passed + 1)) ;;
    FAIL) failed=$((failed + 1)) ;;
    *) echo "vm32: no result for case $name"; failed=$((failed + 1)) ;;
  esac
done
echo "vm32: guest ready after $((built - started)) s, suite took $((SECONDS - built)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
