# What the 32-bit and 64-bit mingw-w64 builds share; the including toolchain file sets
# TORK_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model: the default (win32) compilers of GCC 12 have no std::mutex, and
# GoogleTest does not build with them.
set(CMAKE_C_COMPILER ${TORK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TORK_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TORK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C++ runtime and winpthreads linked in: the DLLs then import only KERNEL32, msvcrt and
# SHLWAPI, and a host needs no mingw DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# ctest and test discovery run every program through Wine, in a prefix of the build's own
# made for the build's word size.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  set(TORK_WINE_ARCH win32)
else()
  set(TORK_WINE_ARCH win64)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
  "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${TORK_WINE_ARCH};${CMAKE_BINARY_DIR}/wine-prefix")
