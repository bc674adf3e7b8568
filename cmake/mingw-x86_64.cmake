# 64-bit Windows with Debian's mingw-w64 cross compiler; the tests run under 64-bit Wine,
# which needs no i386 packages. The same settings as the 32-bit build in every other way.
set(TORK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
