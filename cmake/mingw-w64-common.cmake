# The part of the two mingw-w64 toolchain files (mingw-w64-x86_64.cmake,
# mingw-w64-i686.cmake) that is the same for both; they set
# TOLVARAN_MINGW_TRIPLE and TOLVARAN_WINEARCH and include this.
#
# The -posix compilers are used because their libstdc++ has std::thread and
# std::mutex (winpthread underneath); the -win32 ones do not. Everything the
# C and C++ runtimes bring is linked in statically, so that tolvaran.exe runs
# on a bare Windows with no DLL but the system's.
#
# Built programs run under Wine: CMAKE_CROSSCOMPILING_EMULATOR makes ctest
# and gtest_discover_tests start the .exe files through it.
set(CMAKE_C_COMPILER ${TOLVARAN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVARAN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVARAN_MINGW_TRIPLE}-windres)

# Headers and libraries come from the mingw sysroot only; programs (such as
# Wine below) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOLVARAN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static alone makes the linker prefer libwinpthread.a over its import
# library; without it the -posix runtime pulls in libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's /usr/lib/wine/wine (package wine32) runs 32-bit programs and
# hands 64-bit ones to wine64; wine64 alone runs only 64-bit ones, so the
# 32-bit build takes nothing but the former.
if(TOLVARAN_WINEARCH STREQUAL "win32")
  set(tolvaran_wine_names wine)
else()
  set(tolvaran_wine_names wine wine64 wine-stable)
endif()
find_program(TOLVARAN_WINE NAMES ${tolvaran_wine_names}
  PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TOLVARAN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVARAN_WINE})
endif()
