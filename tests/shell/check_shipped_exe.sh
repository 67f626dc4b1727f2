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

# The manifest in the PE's resource section: DPI awareness in both elements,
# each in its namespace, and Windows 7, 8, 8.1, 10 and 11 as supported systems.
manifest=$(i686-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" /dev/stdout | tr -d '\0\r\n')
for part in '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
  '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, System</dpiAwareness>'; do
  [[ "$manifest" == *"$part"* ]] || fail "not in the manifest: $part"
done
for id in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
  1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  [[ "$manifest" == *"<supportedOS Id=\"{$id}\"/>"* ]] || fail "not a supported system in the manifest: $id"
done

# Only core DLLs whose own imports stay in System32; the rest is delay-loaded or loaded at run time.
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
for dll in ${imports:-none}; do
  [[ " advapi32.dll kernel32.dll msvcrt.dll " == *" $dll "* ]] || fail "imports $dll before it can restrict the search"
done
echo "PASS"
