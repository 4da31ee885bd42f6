# Cross-builds the 32-bit Windows library with mingw-w64:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VEXO_MINGW_TRIPLE i686-w64-mingw32)
# The POSIX thread model: the C++ thread library (which GoogleTest needs) is
# complete there; everything is linked statically, so no runtime DLL ships.
set(CMAKE_C_COMPILER ${VEXO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Single-precision twips are summed in single precision, as on every other
# build: without SSE the x87 unit would carry extended precision into sums that
# are then rounded, and a tie could round the other way. Each function and
# datum has its own section, so that the library's link can drop what nothing
# reaches; the shipped library is optimised for size, as its time goes to the
# system's windows, not to its own code. Forced, so that a build directory
# configured before these flags gets them too.
set(CMAKE_C_FLAGS "-msse2 -mfpmath=sse -ffunction-sections -fdata-sections" CACHE STRING "" FORCE)
set(CMAKE_CXX_FLAGS "-msse2 -mfpmath=sse -ffunction-sections -fdata-sections" CACHE STRING "" FORCE)
set(CMAKE_C_FLAGS_RELWITHDEBINFO "-Os -g -DNDEBUG" CACHE STRING "" FORCE)
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-Os -g -DNDEBUG" CACHE STRING "" FORCE)

# The same compiler's runtime built for the native Windows thread model: the
# library links it instead, as it starts no thread of its own, and so carries
# no POSIX thread emulation (its link option -B points there).
file(GLOB VEXO_POSIX_THREADS_RUNTIME /usr/lib/gcc/${VEXO_MINGW_TRIPLE}/*-posix)
string(REPLACE "-posix" "-win32" VEXO_WIN32_THREADS_RUNTIME "${VEXO_POSIX_THREADS_RUNTIME}")
if(NOT EXISTS "${VEXO_WIN32_THREADS_RUNTIME}/libstdc++.a")
  unset(VEXO_WIN32_THREADS_RUNTIME)
endif()

# Programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
