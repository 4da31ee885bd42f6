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

wine_environment() {
  export WINEPREFIX=$1 WINEARCH=${VEXO_WINE_ARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  if [[ $WINEARCH == win64 ]]; then
    local loaders
    loaders=$(cd "$(dirname "${BASH_SOURCE[0]}")/wine64" && pwd)
    [[ :$PATH: == *":$loaders:"* ]] || export PATH=$loaders:$PATH
  fi
  unset WAYLAND_DISPLAY
}

wine_prefix_ready() {
  local prefix=$1 marker=$2 configure=${3:-}
  wine_environment "$prefix"
  mkdir -p "$(dirname "$prefix")"
  (
    # Callers may run in parallel; one of them creates the prefix.
    flock 9
    if [[ ! -f $prefix/$marker ]]; then
      rm -rf "$prefix"
      wineboot --init >/dev/null 2>&1 </dev/null || true
      if [[ -n $configure ]]; then
        "$configure"
      fi
      wineserver --wait
      [[ -f $prefix/system.reg ]] || { echo "could not create the Wine prefix $prefix" >&2; exit 1; }
      touch "$prefix/$marker"
    fi
  ) 9>"$prefix.lock"
}
