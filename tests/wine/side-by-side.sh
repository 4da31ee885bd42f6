#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Both libraries in one 64-bit prefix: the 32-bit one registered by the
# 32-bit regsvr32 (the 32-bit view of the registry), the 64-bit one by the
# native regsvr32. A client of each bitness finds its own library through the
# same programmatic identifier, and unregistering one leaves the other working.
#   side-by-side.sh <prefix dir> <32-bit VexoKeyBord.ocx> <64-bit VexoKeyBord.ocx> <keybord.vbs>
# Without a 32-bit library built it ends with status 77 (skipped).
set -Eeuo pipefail
# A step that fails ends the script: it says which, as its commands are quiet.
trap 'echo "side-by-side: failed at line $LINENO: $BASH_COMMAND (status $?)" >&2' ERR
prefix=$1 ocx32=$2 ocx64=$3 script=$4
if [[ ! -f $ocx32 ]]; then
  echo "side-by-side: no 32-bit library at $ocx32 (build it with scripts/build-windows.sh)" >&2
  exit 77
fi
export VEXO_WINE_ARCH=win64
source "$(dirname "$0")/../../cmake/wine-prefix.sh"
use_null_display() {
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
}
wine_prefix_ready "$prefix" .vexo-ready-side-by-side use_null_display
unset DISPLAY
wow64='C:\windows\syswow64'

register32() { wine "$wow64\\regsvr32.exe" /s "$@" "Z:$ocx32" </dev/null; }
register64() { wine regsvr32 /s "$@" "Z:$ocx64" </dev/null; }
# The script's checks through the scripting host of one bitness.
passes() {
  local host=cscript
  [[ $1 == 32 ]] && host="$wow64\\cscript.exe"
  wine "$host" //nologo "Z:$script" </dev/null 2>/dev/null | grep -q 'keybord.vbs: all checks passed'
}
failures=0
expect() {
  local want=$1 bits=$2 what=$3
  if passes "$bits"; then got=works; else got=fails; fi
  if [[ $got == "$want" ]]; then
    echo "side-by-side: $bits-bit client $got: $what"
  else
    echo "side-by-side: FAILED: the $bits-bit client $got, expected it $want: $what" >&2
    failures=$((failures + 1))
  fi
}

register32 /u || true
register64 /u || true
register32
register64
expect works 32 "both registered"
expect works 64 "both registered"
register32 /u
expect fails 32 "the 32-bit library unregistered"
expect works 64 "the 32-bit library unregistered"
register32
register64 /u
expect works 32 "the 64-bit library unregistered"
expect fails 64 "the 64-bit library unregistered"
register32 /u
expect fails 32 "both unregistered"
for key in 'HKCR\VexoKeyBord.KeyBord' 'HKCR\TypeLib\{572E5209-C278-4B8E-97C8-A84C5EE1111A}' \
  'HKCR\CLSID\{010FA4BD-1494-4E96-B370-41B8EB7A0B91}' \
  'HKCR\Wow6432Node\CLSID\{010FA4BD-1494-4E96-B370-41B8EB7A0B91}'; do
  if wine reg query "$key" >/dev/null 2>&1 </dev/null; then
    echo "side-by-side: FAILED: $key is left after both were unregistered" >&2
    failures=$((failures + 1))
  fi
done
wineserver -k >/dev/null 2>&1 || true
if ((failures)); then
  exit 1
fi
echo "side-by-side: each library served its own clients"
