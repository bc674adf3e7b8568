# The Debian packages of each job; sourced by the job scripts.
BUILD_PACKAGES=(cmake ninja-build g++ libboost-dev libicu72)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev)
