# Cross-compiles the Windows programs with MinGW-w64 for 32-bit x86 (i686); they run on
# 32-bit and 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KORVANE_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
