#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the Windows library and its benchmark, and runs the benchmark
# under Wine on a virtual screen (Xvfb), each figure beside its baseline, as
# min / median / max over several runs (three unless --runs says otherwise):
#   scripts/bench-windows.sh [--arch x86|x64] [--quick] [--runs N] [--only input|lifecycle]
#   scripts/bench-windows.sh [--arch x86|x64] --trace
# --trace counts the display server's requests per click and per keystroke
# through the system's input, from Wine's server trace (kept in the build
# directory as server-trace.txt).
# Build directory: build-windows (x86, the default) or build-windows-x64 (or
# $VEXO_WINDOWS_BUILD); the benchmark runs in a prefix of the library's bitness.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-arch.sh
arch=x86
if [[ ${1:-} == --arch ]]; then
  arch=${2:-}
  shift 2
fi
windows_arch "$arch"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target VexoKeyBord keybord-bench-windows >/dev/null
root=$(pwd)
run=(tests/win32/run-on-xvfb.sh "$root/$build/wineprefix-bench" "$root/$build/bench/windows/keybord-bench-windows.exe"
  "Z:$root/$build/src/hosting/VexoKeyBord.ocx")
# The figures are those of a user's heap: its prefix checks no frees.
export VEXO_HEAP_CHECKS=off
if [[ ${1:-} == --trace ]]; then
  VEXO_WINEDEBUG=+server "${run[@]}" --trace 2>"$build/server-trace.txt"
  exec awk -f bench/windows/server-requests.awk "$build/server-trace.txt"
fi
exec "${run[@]}" "$@"
