# The Debian packages of each job; sourced by the job scripts. The main job builds only the
# plug-in and subplay (and its manual page); the tests and benchmarks need the rest.
BUILD_PACKAGES=(cmake ninja-build g++ libboost-dev libicu72 help2man)
# The 32-bit Windows build: the mingw-w64 compilers of the posix thread model, GoogleTest's
# sources to build with them, and Wine (its 32-bit half) to run the tests.
WINDOWS_PACKAGES=(cmake ninja-build libboost-dev libgtest-dev libgmock-dev
  g++-mingw-w64-i686-posix wine wine32:i386)
# The GStreamer element, its pipeline tests and its demo (textoverlay is in gstreamer1.0-x).
GSTREAMER_PACKAGES=(libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-x)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev pkgconf
  clang-14 libclang-rt-14-dev "${WINDOWS_PACKAGES[@]}")
TEST_PACKAGES+=("${GSTREAMER_PACKAGES[@]}")
