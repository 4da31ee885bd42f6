#!/usr/bin/env bash
# Installs what the Windows library needs on Debian 12: the mingw-w64 cross
# compilers and the IDL compiler, 32-bit Wine (with the standard .idl files and
# stdole2.tlb), the GoogleTest sources to cross-build, and a virtual X server
# for the tests that show real windows.
# Idempotent: when every package is present it changes nothing and returns at once.
set -euo pipefail

packages=(
  cmake python3 googletest
  mingw-w64 mingw-w64-tools
  wine wine32:i386 libwine-dev
  xvfb xauth
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-windows: enabling the i386 architecture"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  update=1
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "setup-windows: installing ${missing[*]}"
  update=1
fi
if ((update)); then
  "${sudo_cmd[@]}" apt-get update
fi
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
