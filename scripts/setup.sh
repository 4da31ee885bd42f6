#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs everything the native build and its tests need on a fresh Debian 12
# machine (Qt 6 for the Qt widget; its offscreen platform comes with Qt's GUI
# library and draws text with the DejaVu fonts; pkg-config checks the installed
# package). Idempotent: when every package is present it returns at once.
set -euo pipefail
cd "$(dirname "$0")"
bash install-packages.sh \
  build-essential cmake g++ git \
  libgtest-dev googletest libbenchmark-dev nlohmann-json3-dev \
  clang libclang-rt-14-dev valgrind \
  qt6-base-dev libqt6test6 fonts-dejavu-core pkgconf
