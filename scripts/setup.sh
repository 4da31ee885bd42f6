#!/usr/bin/env bash
# Installs everything the native build and its tests need on a fresh Debian 12
# machine. Idempotent: when every package is present it returns at once.
set -euo pipefail
cd "$(dirname "$0")"
bash install-packages.sh \
  build-essential cmake g++ git \
  libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev \
  clang libclang-rt-14-dev valgrind
