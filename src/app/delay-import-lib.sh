#!/usr/bin/env bash
# Makes the delay-import library of one system DLL from the toolchain's own
# import library: the same functions, loaded on their first call.
#   delay-import-lib.sh <tool prefix, e.g. i686-w64-mingw32> <import library> <dll> <output>
set -euo pipefail
tool=$1 lib=$2 dll=$3 out=$4
mkdir -p "$(dirname "$out")"
# 32-bit names carry a leading underscore and stdcall's @N, which the DLL's names lack.
case "$tool" in *i686*) under=_ kill=-k ;; *) under= kill= ;; esac
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # Every function the import library has a thunk for; data imports cannot be delayed.
  "$tool-nm" "$lib" 2>/dev/null | awk -v u="$under" '
    $2 == "T" { thunk[$3] = 1 }
    $2 == "I" && index($3, "__imp_" u) == 1 { name[substr($3, length("__imp_" u) + 1)] = 1 }
    END { for (n in name) if ((u n) in thunk) print n }' | sort
} >"$out.def"
grep -q . <(tail -n +3 "$out.def")
"$tool-dlltool" $kill -d "$out.def" -y "$out" -D "$dll"
