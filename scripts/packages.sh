# The Debian packages of each job; sourced by the job scripts. The main job builds only the
# plug-in and subplay (and its manual page); the tests and benchmarks need the rest.
BUILD_PACKAGES=(cmake ninja-build g++ libboost-dev libicu72 help2man)
# The 32-bit Windows build: the mingw-w64 compilers of the posix thread model, GoogleTest's
# sources to build with them, and Wine (its 32-bit half) to run the tests.
WINDOWS_PACKAGES=(cmake ninja-build libboost-dev libgtest-dev libgmock-dev
  g++-mingw-w64-i686-posix wine wine32:i386)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev pkgconf
  clang-14 libclang-rt-14-dev "${WINDOWS_PACKAGES[@]}")
