#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in a private prefix, creating the
# prefix on first use:  wine-run.sh <prefix dir> <program> [arguments...]
# The prefix uses Wine's null display driver, so windows (which COM's
# apartments need) work without an X server.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
(
  # Callers may run in parallel; one of them creates the prefix.
  flock 9
  if [[ ! -f $prefix/.vexo-ready ]]; then
    rm -rf "$prefix"
    wineboot --init >/dev/null 2>&1 </dev/null || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    wineserver --wait
    [[ -f $prefix/system.reg ]] || { echo "wine-run: could not create the prefix $prefix" >&2; exit 1; }
    touch "$prefix/.vexo-ready"
  fi
) 9>"$prefix.lock"

# The server outlives the program; started here it holds none of the caller's
# output pipes, so a test runner waiting for them does not hang.
wineserver </dev/null >/dev/null 2>&1 || true
exec wine "$@"
