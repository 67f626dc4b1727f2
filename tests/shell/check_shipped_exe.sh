#!/usr/bin/env bash
# The shipped ZEMRemove.exe is a 32-bit GUI program whose manifest requires
# administrator rights and common controls v6, with the icon as resource 162,
# and that imports no DLL which would be looked for beside it.
set -euo pipefail
exe="$1"
fail() { echo "FAIL: $*"; exit 1; }

description=$(file -b "$exe")
echo "file: $description"
[[ "$description" == "PE32 executable (GUI) Intel 80386"* ]] || fail "not a 32-bit GUI PE"

manifest=$(strings -n 8 "$exe" | tr -d '\n')
[[ "$manifest" == *'requestedExecutionLevel level="requireAdministrator"'* ]] || fail "manifest does not require administrator"
[[ "$manifest" == *'Microsoft.Windows.Common-Controls" version="6.0.0.0"'* ]] || fail "manifest does not ask for common controls v6"

resources=$(i686-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null)
grep -Eq '^162 14 ' <<<"$resources" || fail "no icon group resource 162"
grep -Eq '^1 24 ' <<<"$resources" || fail "no manifest resource 1"
grep -Eq '^1 VERSIONINFO' <<<"$resources" || fail "no version resource"

# Only core DLLs whose own imports stay in System32; the rest is delay-loaded or loaded at run time.
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
for dll in ${imports:-none}; do
  [[ " advapi32.dll kernel32.dll msvcrt.dll " == *" $dll "* ]] || fail "imports $dll before it can restrict the search"
done
echo "PASS"
