# Cross-builds the 64-bit Windows library with mingw-w64:
#   cmake -S . -B build-windows-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The same sources, identifiers and resources as the 32-bit library; only the
# bitness differs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VEXO_MINGW_TRIPLE x86_64-w64-mingw32)
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

# x86-64 computes in SSE already, so single-precision twips round as on every
# other build. Each function and datum has its own section, so that the
# library's link can drop what nothing reaches; optimised for size, as the
# library's time goes to the system's windows. Forced, so that a build
# directory configured before these flags gets them too.
set(CMAKE_C_FLAGS "-ffunction-sections -fdata-sections" CACHE STRING "" FORCE)
set(CMAKE_CXX_FLAGS "-ffunction-sections -fdata-sections" CACHE STRING "" FORCE)
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

# The type library describes 64-bit Windows, against the 64-bit stdole2.tlb.
set(VEXO_WIDL_TARGET --win64)
set(VEXO_STDOLE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Directory holding stdole2.tlb")
# Programs built here run under Wine in 64-bit prefixes.
set(VEXO_WINE_ARCH win64)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
