# 32-bit Windows with Debian's mingw-w64 cross compiler; the tests run under Wine.
set(TORK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
