// The file names this system gives shared libraries.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tork::LibraryNames {

/// The file name of the shared library `name`: "libNAME.so" on Linux, "NAME.dll" on
/// Windows.
std::string sharedLibrary(std::string_view name);

/// The file name of the MicroDVD plug-in, which every host loads.
inline std::string pluginLibrary() { return sharedLibrary("tork_microdvd"); }

/// The file name of the logging library, which the plug-in binds and subplay's --log loads.
inline std::string loggingLibrary() { return sharedLibrary("Tork_Logging"); }

/// The file name of major version `version` of ICU's library `name` ("icuuc", "icui18n"):
/// "libicuuc.so.72" on Linux, "icuuc72.dll" on Windows.
std::string icuLibrary(std::string_view name, int version);

/// The names tried for ICU's library `name` after every versioned one: "libicuuc.so" on
/// Linux; on Windows "icuuc.dll", the system's own "icu.dll" and "orvel_icuuc40.dll", the
/// framework's copy of ICU 4.0.
std::vector<std::string> icuFallbackLibraries(std::string_view name);

/// The major versions of ICU's library `name` installed where the system looks for
/// libraries (on Linux, the dynamic linker's folders and its cache), newest first, each
/// once; empty when none is there. None when this system cannot list them, so every
/// version has to be tried by name.
std::optional<std::vector<int>> installedIcuVersions(std::string_view name);

/// The ICU major version in a file name or path of the form icuLibrary() makes; none for
/// an unversioned name or one of another form.
std::optional<int> icuVersion(std::string_view path);

}  // namespace Tork::LibraryNames
