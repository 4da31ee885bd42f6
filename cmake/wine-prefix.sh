# Sourced by the scripts that run programs under Wine: the environment of a
# private 32-bit prefix, and the prefix's creation on first use.
#
#   source cmake/wine-prefix.sh
#   wine_prefix_ready PREFIX MARKER [CONFIGURE]
#
# MARKER names the file that marks the prefix ready (a prefix configured
# differently uses another marker, and is made afresh). CONFIGURE, the name of
# a shell function, runs once in the new prefix before it is marked ready.

wine_environment() {
  export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
