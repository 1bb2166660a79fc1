# Cross compiling for 64-bit Windows (x64) with mingw-w64 from Linux; the
# programs and tests run under Wine. What the two Windows builds share is in
# mingw-w64-common.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVARAN_MINGW_TRIPLE x86_64-w64-mingw32)
# A 64-bit prefix: Windows as it is installed today. It runs 32-bit
# programs too, but the x86 build keeps a prefix of its own.
set(TOLVARAN_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
