#!/usr/bin/env bash
# Cross-builds the Windows library and its benchmark, and runs the benchmark
# under Wine on a virtual screen (Xvfb), each figure beside its baseline, as
# min / median / max over several runs (three unless --runs says otherwise):
#   scripts/bench-windows.sh [--quick] [--runs N]      build directory: build-windows
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXO_WINDOWS_BUILD:-build-windows}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target VexoKeyBord keybord-bench-windows >/dev/null
root=$(pwd)
exec tests/win32/run-on-xvfb.sh "$root/$build/wineprefix-bench" "$root/$build/bench/windows/keybord-bench-windows.exe" \
  "Z:$root/$build/src/hosting/VexoKeyBord.ocx" "$@"
