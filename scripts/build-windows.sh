#!/usr/bin/env bash
# Cross-builds the Windows library VexoKeyBord.ocx (and its test client) with
# mingw-w64; with --test, runs its tests under Wine through CTest.
#   scripts/build-windows.sh [--test]      build directory: build-windows
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXO_WINDOWS_BUILD:-build-windows}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target VexoKeyBord wine_tests tests_win32 container_tests KeyBordDemo
echo "build-windows: $build/src/hosting/VexoKeyBord.ocx"
if [[ ${1:-} == --test ]]; then
  ctest --test-dir "$build" --output-on-failure -R '^(wine|win32)\.'
fi
