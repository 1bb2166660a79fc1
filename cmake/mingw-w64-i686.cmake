# Cross compiling for 32-bit Windows (x86) with mingw-w64 from Linux, for the
# RFC libraries that exist as 32-bit DLLs only (a program loads only a
# library of its own bitness). The programs and tests run under 32-bit Wine.
# What the two Windows builds share is in mingw-w64-common.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOLVARAN_MINGW_TRIPLE i686-w64-mingw32)
# A 32-bit prefix: the tests run as on a 32-bit Windows, with no 64-bit
# half that a 32-bit program could lean on by accident.
set(TOLVARAN_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
