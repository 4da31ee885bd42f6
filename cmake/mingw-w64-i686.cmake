# SPDX-License-Identifier: MIT
# Cross-builds the 32-bit Windows library with mingw-w64:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEXO_MINGW_TRIPLE i686-w64-mingw32)
# Single-precision twips are summed in single precision, as on every other
# build: without SSE the x87 unit would carry extended precision into sums that
# are then rounded, and a tie could round the other way.
set(VEXO_ARCH_FLAGS "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
