#!/usr/bin/env bash
# Checks the library file itself: exactly the four entry points (their
# ordinals are checked under Wine), and imports from system libraries only: no
# compiler runtime DLL ships beside it.
#   check-library.sh <objdump> <VexoKeyBord.ocx>
set -euo pipefail
objdump=$1
library=$2
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
