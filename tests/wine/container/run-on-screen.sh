#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine (32-bit unless VEXO_WINE_ARCH=win64) with
# its X11 driver on a private virtual screen of the given density, in a prefix
# of its own created on first use:
#   run-on-screen.sh <prefix dir> <dpi> <program> [arguments...]
# The program sees the density as VEXO_SCREEN_DPI, to check that it got it.
set -euo pipefail
prefix=$1
dpi=$2
shift 2
export VEXO_SCREEN_DPI=$dpi
source "$(dirname "$0")/../../../cmake/wine-prefix.sh"

# The screen's density, where the display and font code read it.
set_density() {
  local hex
  hex=$(printf '0x%x' "$dpi")
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$hex" /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$hex" /f >/dev/null 2>&1 </dev/null
}
wine_prefix_ready "$prefix" ".vexo-ready-$dpi" set_density

# One screen per run; the prefix's programs end with it.
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine "$@" </dev/null
  status=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $status' run-on-screen "$@"
