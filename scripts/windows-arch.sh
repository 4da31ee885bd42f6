# SPDX-License-Identifier: MIT
# Sourced by the Windows scripts: the architecture named by --arch (x86, the
# default, or x64) decides the toolchain file, the build directory and the
# bitness of the Wine prefixes.
#   windows_arch ARCH   sets toolchain, build (unless VEXO_WINDOWS_BUILD is
#                       set) and exports VEXO_WINE_ARCH
windows_arch() {
  case $1 in
    x86) toolchain=cmake/mingw-w64-i686.cmake build=${VEXO_WINDOWS_BUILD:-build-windows} VEXO_WINE_ARCH=win32 ;;
    x64) toolchain=cmake/mingw-w64-x86_64.cmake build=${VEXO_WINDOWS_BUILD:-build-windows-x64} VEXO_WINE_ARCH=win64 ;;
    *) echo "unknown architecture '$1': x86 or x64" >&2; return 2 ;;
  esac
  export VEXO_WINE_ARCH
}
