#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the Windows library VexoKeyBord.ocx (and its test clients) with
# mingw-w64 for one architecture; with --test, runs its tests under Wine
# through CTest, in prefixes of the same bitness.
#   scripts/build-windows.sh [--arch x86|x64] [--test]
# Build directory: build-windows (x86, the default) or build-windows-x64, or
# $VEXO_WINDOWS_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-arch.sh
arch=x86
test=0
while (($#)); do
  case $1 in
    --arch) arch=${2:-}; shift ;;
    --test) test=1 ;;
    *) echo "usage: $0 [--arch x86|x64] [--test]" >&2; exit 2 ;;
  esac
  shift
done
windows_arch "$arch"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target VexoKeyBord wine_tests readme_client tests_win32 container_tests KeyBordDemo \
  VexoKeyBordInstallerDescription
echo "build-windows: $build/src/hosting/VexoKeyBord.ocx ($arch)"
if ((test)); then
  ctest --test-dir "$build" --output-on-failure -R '^(wine|win32)\.'
fi
