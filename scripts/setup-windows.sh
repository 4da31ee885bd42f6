#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the Windows libraries need on Debian 12: the mingw-w64 cross
# compilers for both architectures and the IDL compiler, 32-bit and 64-bit Wine
# (with the standard .idl files and both stdole2.tlb), the GoogleTest sources
# to cross-build, a virtual X server for the tests that show real windows, and
# the installer's tools (wixl from msitools, osslsigncode, openssl).
# Idempotent: when every package is present it changes nothing and returns at once.
set -euo pipefail

cd "$(dirname "$0")"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-windows: enabling the i386 architecture"
  if [[ $(id -u) -eq 0 ]]; then dpkg --add-architecture i386; else sudo dpkg --add-architecture i386; fi
fi
bash install-packages.sh \
  cmake python3 googletest \
  mingw-w64 mingw-w64-tools \
  wine wine32:i386 wine64 libwine-dev \
  xvfb xauth \
  msitools wixl osslsigncode openssl
