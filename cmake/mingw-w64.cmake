# Cross-building the 32-bit Windows programs with mingw-w64 (Debian's
# g++-mingw-w64-i686). The -posix compilers carry std::thread; the -win32 ones do not.
# Everything is linked statically, so a setup program needs no DLL of ours or of the
# compiler's beside it.
set(CMAKE_SYSTEM_NAME Windows)
# SE_MINGW_TRIPLE may name the 64-bit compilers instead (x86_64-w64-mingw32): a
# machine whose kernel runs no 32-bit programs (so no 32-bit Wine either) tests the
# same sources as a 64-bit build under wine64. The programs handed out stay 32-bit.
if(NOT SE_MINGW_TRIPLE)
  set(SE_MINGW_TRIPLE i686-w64-mingw32)
endif()
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${SE_MINGW_TRIPLE})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SE_MINGW_TRIPLE)
set(CMAKE_C_COMPILER   ${SE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${SE_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw tree only, never from the host's packages.
set(CMAKE_FIND_ROOT_PATH /usr/${SE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/${SE_MINGW_TRIPLE}/lib/pkgconfig)

# zlib as the static archive (libz-mingw-w64-dev also has the DLL's import library).
set(ZLIB_LIBRARY /usr/${SE_MINGW_TRIPLE}/lib/libz.a CACHE FILEPATH "zlib, static")
set(ZLIB_INCLUDE_DIR /usr/${SE_MINGW_TRIPLE}/include CACHE PATH "zlib headers")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine (a wrapper that keeps Wine's noise off their output).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh)
