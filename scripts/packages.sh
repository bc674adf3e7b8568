# The Debian packages of each job; sourced by the job scripts. Each job installs only its
# own, so that a package one job cannot get (Wine's 32-bit half when the mirror's i386 index
# is broken) stops no other job.
# The main job: only the plug-in and subplay, with its manual page.
BUILD_PACKAGES=(cmake ninja-build g++ libboost-dev libicu72 scdoc)
# The Linux tests: also GoogleTest, the benchmarks, pkg-config for the installed-tree test,
# and dpkg-dev and file for the Debian packages that test makes (their dependencies).
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev pkgconf
  dpkg-dev file)
# The fuzz targets: clang with libFuzzer and the sanitizers' runtimes.
FUZZ_PACKAGES=(cmake ninja-build libboost-dev libicu72 clang-14 libclang-rt-14-dev)
# The 32-bit Windows build: the mingw-w64 compilers of the posix thread model, GoogleTest's
# sources to build with them, then Wine (its 32-bit half) to run the tests.
WINDOWS_BUILD_PACKAGES=(cmake ninja-build libboost-dev libgtest-dev libgmock-dev
  g++-mingw-w64-i686-posix)
WINE_PACKAGES=(wine wine32:i386)
# When Wine's 32-bit half cannot be had (it needs the i386 lists), the tests are built for
# 64-bit Windows and run under 64-bit Wine.
WINE64_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64)
# The installed packages tried out: manual pages read, playbin's demuxers and decoders.
PACKAGE_CHECK_PACKAGES=(man-db gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-tools)
# The GStreamer element, its pipeline tests and its demo (textoverlay is in gstreamer1.0-x).
GSTREAMER_PACKAGES=(libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-x)
TEST_PACKAGES+=("${GSTREAMER_PACKAGES[@]}")
# The VLC module, its tests with a real VLC (ffmpeg makes the film they play) and its demo.
VLC_PACKAGES=(libvlccore-dev libvlc-dev vlc-bin vlc-plugin-base ffmpeg pkgconf)
