#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine in a private prefix (32-bit unless
# VEXO_WINE_ARCH=win64), creating the prefix on first use:
#   wine-run.sh <prefix dir> <program> [arguments...]
# The prefix uses Wine's null display driver, so windows (which COM's
# apartments need) work without an X server.
set -euo pipefail
prefix=$1
shift
unset DISPLAY
source "$(dirname "$0")/wine-prefix.sh"

use_null_display() {
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
}
wine_prefix_ready "$prefix" .vexo-ready use_null_display

# The server outlives the program; started here it holds none of the caller's
# output pipes, so a test runner waiting for them does not hang.
wineserver </dev/null >/dev/null 2>&1 || true
exec wine "$@"
