#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine (32-bit unless VEXO_WINE_ARCH=win64) with
# its X11 driver on a private virtual screen, creating the prefix on first use:
#   run-on-xvfb.sh <prefix dir> <program> [arguments...]
set -euo pipefail
prefix=$1
shift
source "$(dirname "$0")/../../cmake/wine-prefix.sh"
wine_prefix_ready "$prefix" .vexo-ready

# One screen per run; the prefix's processes go with it, so that none is left
# holding a display that no longer exists.
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine "$@" </dev/null
  status=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $status' run-on-xvfb "$@"
