# The Debian packages of each job; sourced by the job scripts. Configuring the build needs
# GoogleTest and Google Benchmark even when only the program is built.
BUILD_PACKAGES=(cmake ninja-build g++ libboost-dev libicu72 libgtest-dev libgmock-dev
  libbenchmark-dev)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" clang-14 libclang-rt-14-dev)
