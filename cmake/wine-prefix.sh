# SPDX-License-Identifier: MIT
# Sourced by the scripts that run programs under Wine: the environment of a
# private prefix, and the prefix's creation on first use. The prefix is 32-bit
# unless VEXO_WINE_ARCH says win64 (the 64-bit library's build sets it); a
# 64-bit prefix runs 32-bit programs too, in its 32-bit view.
#
#   source cmake/wine-prefix.sh
#   wine_prefix_ready PREFIX MARKER [CONFIGURE]
#
# MARKER names the file that marks the prefix ready (a prefix configured
# differently uses another marker, and is made afresh). CONFIGURE, the name of
# a shell function, runs once in the new prefix before it is marked ready.
#
# A prefix checks its heaps' frees: a freed block is filled with 0xfeeefeee
# and checked when it is handed out again, and heap calls check their
# arguments, so a use after free reads the filler and crashes the program at
# once instead of passing on memory that happens to hold its old contents.
# VEXO_HEAP_CHECKS=off makes a prefix without (for the benchmark and the demo,
# whose figures and speed are those of a user's machine).

# VEXO_WINEDEBUG sets Wine's debug channels (none by default): +server traces
# every request to the display server (scripts/bench-windows.sh --trace).
wine_environment() {
  export WINEPREFIX=$1 WINEARCH=${VEXO_WINE_ARCH:-win32} WINEDEBUG=${VEXO_WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  if [[ $WINEARCH == win64 ]]; then
    local loaders
    loaders=$(cd "$(dirname "${BASH_SOURCE[0]}")/wine64" && pwd)
    [[ :$PATH: == *":$loaders:"* ]] || export PATH=$loaders:$PATH
  fi
  unset WAYLAND_DISPLAY
}

# The system's global flags: the heap's tail checking (0x10), free checking
# (0x20) and argument validation (0x40). Wine's loader reads them at each
# program's start, in either bitness.
HeapCheckFlags=0x70
check_heap_frees() {
  wine reg add 'HKLM\System\CurrentControlSet\Control\Session Manager' /v GlobalFlag /t REG_DWORD \
    /d "$HeapCheckFlags" /f >/dev/null 2>&1 </dev/null
}

wine_prefix_ready() {
  local prefix=$1 marker=$2 configure=${3:-} checks=${VEXO_HEAP_CHECKS:-on}
  [[ $checks == off ]] || marker=$marker-heap-checked
  wine_environment "$prefix"
  mkdir -p "$(dirname "$prefix")"
  (
    # Callers may run in parallel; one of them creates the prefix.
    flock 9
    if [[ ! -f $prefix/$marker ]]; then
      rm -rf "$prefix"
      wineboot --init >/dev/null 2>&1 </dev/null || true
      [[ $checks == off ]] || check_heap_frees
      if [[ -n $configure ]]; then
        "$configure"
      fi
      wineserver --wait
      [[ -f $prefix/system.reg ]] || { echo "could not create the Wine prefix $prefix" >&2; exit 1; }
      touch "$prefix/$marker"
    fi
  ) 9>"$prefix.lock"
}
