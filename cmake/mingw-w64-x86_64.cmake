# SPDX-License-Identifier: MIT
# Cross-builds the 64-bit Windows library with mingw-w64:
#   cmake -S . -B build-windows-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The same sources, identifiers and resources as the 32-bit library; only the
# bitness differs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VEXO_MINGW_TRIPLE x86_64-w64-mingw32)
# x86-64 computes in SSE already, so single-precision twips round as on every
# other build.
set(VEXO_ARCH_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# The type library describes 64-bit Windows, against the 64-bit stdole2.tlb.
set(VEXO_WIDL_TARGET --win64)
set(VEXO_STDOLE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Directory holding stdole2.tlb")
# Programs built here run under Wine in 64-bit prefixes.
set(VEXO_WINE_ARCH win64)
