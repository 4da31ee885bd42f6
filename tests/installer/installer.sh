#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A package, signed, in fresh prefixes of its bitness (the one of 64-bit
# systems in 64-bit prefixes, the one of 32-bit systems in 32-bit ones): the
# signatures verify and a changed byte breaks them; a silent install serves
# the scripting host of each bitness it holds; its registry values are those the
# signed libraries' own registration writes in another prefix; installing
# again changes nothing; a repair brings back a deleted library; removing it
# leaves no file and no key of ours.
#   installer.sh <work dir> <description.wxs> <32-bit kit> <64-bit kit> <source dir>
# Without the 32-bit kit or wixl it ends with status 77 (skipped).
set -euo pipefail
work=$1 wxs=$2 kit32=$3 kit64=$4 source=$5
if ! command -v wixl >/dev/null; then
  echo "installer: no wixl (scripts/setup-windows.sh installs it)" >&2
  exit 77
fi
if [[ ! -f $kit32/VexoKeyBord.ocx ]]; then
  echo "installer: no 32-bit kit in $kit32 (build it with scripts/build-windows.sh)" >&2
  exit 77
fi
if grep -q ProgramFiles64Folder "$wxs"; then
  export VEXO_WINE_ARCH=win64 bitnesses="32 64" last=64
else
  export VEXO_WINE_ARCH=win32 bitnesses=32 last=32
fi
source "$source/cmake/wine-prefix.sh"
unset DISPLAY
failures=0
fail() {
  echo "installer: FAILED: $*" >&2
  failures=$((failures + 1))
}
check() {  # check WHAT COMMAND...: the command must succeed
  local what=$1
  shift
  if "$@"; then echo "installer: $what"; else fail "$what"; fi
}
check_not() {  # check_not WHAT COMMAND...: the command must fail
  local what=$1
  shift
  if "$@"; then fail "$what"; else echo "installer: $what"; fi
}

# Signing with a throwaway certificate: both libraries, then the package
# built from them, then the package itself.
rm -rf "$work" && mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=VexoKeyBord test signer" -days 2 \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
libraries=()
for bits in $bitnesses; do
  kit=kit$bits
  cp -r "${!kit}" "$work/kit$bits"
  libraries+=("$work/kit$bits/VexoKeyBord.ocx")
done
msi=$work/VexoKeyBord.msi
sign() { "$source/scripts/sign.sh" --cert "$work/cert.pem" --key "$work/key.pem" "$@" >/dev/null; }
sign "${libraries[@]}"
"$source/installer/make-msi.sh" "$wxs" "$msi" "$work/kit32" "$work/kit$last" "$source/docs"
sign "$msi"
verifies() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1; }
for file in "${libraries[@]}" "$msi"; do
  check "signature of ${file#"$work/"} verifies" verifies "$file"
done
changed=$work/changed.ocx
cp "$work/kit32/VexoKeyBord.ocx" "$changed"
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(4096); b = f.read(1); f.seek(4096); f.write(bytes([b[0] ^ 1]))' "$changed"
check_not "a library changed by one byte fails verification" verifies "$changed"

# Two fresh prefixes from one made once: one for the package, one where the
# libraries register themselves.
template=$work.prefix
use_null_display() { wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null; }
wine_prefix_ready "$template" .vexo-ready-installer use_null_display
cp -a "$template" "$work/installed" && cp -a "$template" "$work/registered"
in_prefix() { wine_environment "$work/$1"; }
# The folder a bitness's library is installed to, and its system folder.
folder() {
  if [[ $1 == 32 && $VEXO_WINE_ARCH == win64 ]]; then echo 'C:\Program Files (x86)\VexoKeyBord'; else echo 'C:\Program Files\VexoKeyBord'; fi
}
unix_folder() {
  local windows
  windows=$(folder "$1")
  windows=${windows#C:\\}
  echo "$WINEPREFIX/drive_c/${windows//\\//}"
}
system() { if [[ $1 == 32 && $VEXO_WINE_ARCH == win64 ]]; then echo 'C:\windows\syswow64'; else echo 'C:\windows\system32'; fi; }
# The scripting host of one bitness runs the control's script checks.
client_works() {
  wine "$(system "$1")\\cscript.exe" //nologo "Z:$source/tests/wine/keybord.vbs" </dev/null 2>/dev/null |
    grep -q 'keybord.vbs: all checks passed'
}
# Our keys under HKLM\Software\Classes (both views), one "key|value" line
# each; a folder is written without its trailing backslash.
our_keys() {
  local out=$work/export-$1.reg
  wine reg export 'HKLM\Software\Classes' "$out" /y >/dev/null 2>&1 </dev/null
  python3 - "$out" <<'EOF'
import re, sys
ours = re.compile(r"010FA4BD-1494-4E96-B370-41B8EB7A0B91|572E5209-C278-4B8E-97C8-A84C5EE1111A|"
                  r"9B2AA563-00CD-4252-8FF9-CC995038DA6B|5C66F7E2-D653-4A6A-9388-3E7184276E22|\\VexoKeyBord\.KeyBord", re.I)
key = None
for line in open(sys.argv[1], encoding="utf-16").read().splitlines():
    if line.startswith("["):
        key = line.strip("[]")
        if ours.search(key): print(key + "|")
    elif line and key and ours.search(key):
        print(key + "|" + re.sub(r'\\\\"$', '"', line))
EOF
}
files_of_ours() { ls -d "$WINEPREFIX/drive_c/Program Files/VexoKeyBord" "$WINEPREFIX/drive_c/Program Files (x86)/VexoKeyBord" 2>/dev/null; }

in_prefix installed
wineserver </dev/null >/dev/null 2>&1 || true
check "the package installs silently" wine msiexec /i "Z:$msi" /qn </dev/null
for bits in $bitnesses; do
  check "a $bits-bit client creates and types through the installed control" client_works "$bits"
done
check "the licence is installed with the docs" cmp "$source/LICENSE" "$(unix_folder "$last")/docs/LICENSE.txt"
our_keys installed | sort >"$work/installed.keys"

in_prefix registered
wineserver </dev/null >/dev/null 2>&1 || true
# Each view as its own library's registration leaves it, and the shared keys
# as the 64-bit library, registered last, leaves them (the package takes them
# from it): the platform's type library registration also writes the other
# view's interfaces its own way, so the 32-bit view's class and interfaces
# are read before the other library registers.
view32='\\Wow6432Node\\(CLSID|Interface)\\'
: >"$work/registered.unsorted"
for bits in $bitnesses; do
  mkdir -p "$(unix_folder "$bits")" && cp "$work/kit$bits/VexoKeyBord.ocx" "$work/kit$bits/VexoKeyBord.tlb" "$(unix_folder "$bits")/"
  check "the signed $bits-bit library registers itself" \
    wine "$(system "$bits")\\regsvr32.exe" /s "$(folder "$bits")\\VexoKeyBord.ocx" </dev/null
  [[ $bits == "$last" ]] || our_keys registered | grep -E "$view32" >>"$work/registered.unsorted" || true
done
our_keys registered | grep -vE "$view32" >>"$work/registered.unsorted" || true
sort "$work/registered.unsorted" >"$work/registered.keys"
for bits in $bitnesses; do
  check "a $bits-bit client works with the signed library registered" client_works "$bits"
done
wineserver -k </dev/null >/dev/null 2>&1 || true
check "the package writes every registry value the libraries' own registration writes" \
  diff "$work/registered.keys" "$work/installed.keys"

in_prefix installed
wine msiexec /i "Z:$msi" /qn </dev/null || true
our_keys installed | sort >"$work/again.keys"
check "installing again changes no key of ours" diff "$work/installed.keys" "$work/again.keys"
check "a $last-bit client works after installing again" client_works "$last"

rm "$(unix_folder "$last")/VexoKeyBord.ocx"
# A repair of every file (what /fa asks for, which Wine's msiexec refuses),
# with the arguments the Windows guide gives, as a user copies them from there.
repair=$(sed -n 's/^msiexec \/i VexoKeyBord-[^ ]*\.msi \(REINSTALL=[^&]*\) & rem repair.*/\1/p' "$source/docs/windows.md")
check "the Windows guide gives a repair command: msiexec /i <package> $repair" test -n "$repair"
# shellcheck disable=SC2086 # the arguments are words of their own
check "a repair runs" wine msiexec /i "Z:$msi" $repair /qn </dev/null
check "the repair brings back the deleted library" cmp "$work/kit$last/VexoKeyBord.ocx" "$(unix_folder "$last")/VexoKeyBord.ocx"
check "a $last-bit client works after the repair" client_works "$last"

check "the package uninstalls silently" wine msiexec /x "Z:$msi" /qn </dev/null
check "no file of ours is left" test -z "$(files_of_ours)"
check "no key of ours is left" test -z "$(our_keys removed)"
check_not "a 32-bit client no longer creates the control" client_works 32
wineserver -k </dev/null >/dev/null 2>&1 || true

if ((failures)); then
  exit 1
fi
rm -rf "$work/installed" "$work/registered"
echo "installer: all checks passed"
