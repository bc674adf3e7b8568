# Copies the header SOURCE to OUTPUT for installation under include/tork/, its includes of
# the project's own headers ("host/X.h") turned into the installed names (<tork/host/X.h>),
# so that hosts put only include/ on their path and no folder name of ours clashes with theirs.
#   cmake -DSOURCE=... -DOUTPUT=... -P InstalledHeader.cmake
cmake_minimum_required(VERSION 3.25)
file(READ "${SOURCE}" text)
string(REGEX REPLACE "#include \"((framework|host|microdvd|platform|logging)/[^\"]+)\""
  "#include <tork/\\1>" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
