#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine with its X11 driver on a private
# virtual screen, creating the prefix on first use:
#   run-on-xvfb.sh <prefix dir> <program> [arguments...]
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [[ ! -f $prefix/.vexo-ready ]]; then
    rm -rf "$prefix"
    wineboot --init >/dev/null 2>&1 </dev/null || true
    wineserver --wait
    [[ -f $prefix/system.reg ]] || { echo "run-on-xvfb: could not create the prefix $prefix" >&2; exit 1; }
    touch "$prefix/.vexo-ready"
  fi
) 9>"$prefix.lock"

# One screen per run; the prefix's processes go with it, so that none is left
# holding a display that no longer exists.
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine "$@" </dev/null
  status=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $status' run-on-xvfb "$@"
