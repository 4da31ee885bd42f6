#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The test command: set up, build, and run every test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

# No include may point up the layers of the code, and every link of the
# README and docs/ leads to its page.
bash scripts/check-layers.sh --self-test
bash scripts/check-layers.sh
bash scripts/check-doc-links.sh

# The input tests, with their long random sequences, under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a replay of the fuzz corpus: clang, a build
# directory of their own, only the targets they need.
cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXO_SANITIZE=ON -DVEXO_FUZZ=ON >/dev/null
cmake --build build-sanitize -j"$jobs" --target tests_input KeyBordFuzz
build-sanitize/tests/tests_input --gtest_brief=1
build-sanitize/fuzz/KeyBordFuzz -runs=0 fuzz/corpus

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The Windows library: cross-built with mingw-w64 in build-windows/ and tested
# under Wine in a private prefix there.
bash scripts/setup-windows.sh
bash scripts/build-windows.sh --test

# The 64-bit library from the same sources, in build-windows-x64/, tested in
# 64-bit prefixes there: every suite that crosses its interface.
bash scripts/build-windows.sh --arch x64 --test
