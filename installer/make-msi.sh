#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds an MSI from the installer's description, taking the libraries and
# kit files from the given kit folders (unsigned from the build, or signed
# copies) and the docs from the docs folder.
#   make-msi.sh <description.wxs> <out.msi> <32-bit kit> <64-bit kit> <docs>
set -euo pipefail
wxs=$1 out=$2 kit32=$3 kit64=$4 docs=$5
arch=x86
grep -q 'ProgramFiles64Folder' "$wxs" && arch=x64
# wixl takes the sources' paths relative to the folder it runs in.
relative() { realpath --relative-to=/ "$1"; }
cd /
# wixl complains about the keys without values (a null value is what marks
# them) but writes them as it should.
wixl -a "$arch" -D Kit32="$(relative "$kit32")" -D Kit64="$(relative "$kit64")" -D Docs="$(relative "$docs")" \
  -o "$out" "$wxs" 2> >(grep -v "string_get: assertion\|^$" >&2)
