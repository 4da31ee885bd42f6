#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the library file itself: exactly the four entry points (their
# ordinals are checked under Wine), imports from system libraries only (no
# compiler runtime DLL ships beside it), and a size below the bound that the
# pages state ("stays below N KB (N bytes)", the same wherever it is said).
#   check-library.sh <objdump> <VexoKeyBord.ocx> <page.md>...
set -euo pipefail
objdump=$1
library=$2
shift 2
bounds=$(cat "$@" | grep -o 'stays below [0-9]* KB ([0-9,]* bytes)' | sort -u || true)
if [[ $(wc -l <<<"$bounds") != 1 || -z $bounds ]]; then
  echo "the pages state no one size bound: '$bounds'" >&2
  exit 1
fi
bound=$(grep -o '([0-9,]*' <<<"$bounds" | tr -d '(,')
size=$(stat -c %s "$library")
echo "library size: $size bytes, bound $bound"
if ((size >= bound)); then
  echo "the library is $size bytes, not below the pages' $bound" >&2
  exit 1
fi
headers=$("$objdump" -p "$library")

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {table = 1; next} table && /^\t\[/ {print $NF} table && /^$/ {table = 0}' <<<"$headers" | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
if [[ $exports != "$expected" ]]; then
  echo "exports are '$exports', expected '$expected'" >&2
  exit 1
fi
system='^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|MSVCRT|COMCTL32|SHELL32|SHLWAPI|VERSION)\.DLL$'
status=0
while read -r dll; do
  if ! grep -Eqi "$system" <<<"$dll"; then
    echo "imports a non-system library: $dll" >&2
    status=1
  fi
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")
exit $status
