# The Debian packages of each job; sourced by the job scripts. The main job builds only the
# plug-in and subplay (and its manual page); the tests and benchmarks need the rest.
BUILD_PACKAGES=(cmake ninja-build g++ libboost-dev libicu72 help2man)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev pkgconf
  clang-14 libclang-rt-14-dev)
