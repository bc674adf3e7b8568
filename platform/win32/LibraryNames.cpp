// Shared library names on Windows: <name>.dll, ICU's versioned as <name><major>.dll.
#include "platform/LibraryNames.h"

namespace Tork::LibraryNames {

std::string sharedLibrary(std::string_view name) {
    return std::string(name) + ".dll";
}

std::string icuLibrary(std::string_view name, int version) {
    // ICU's Windows builds shorten the i18n library's name.
    if (name == "icui18n") name = "icuin";
    return std::string(name) + std::to_string(version) + ".dll";
}

std::vector<std::string> icuFallbackLibraries(std::string_view name) {
    // Windows 10 carries an ICU of its own as icu.dll; the framework ships ICU 4.0 under a
    // name of its own.
    return {sharedLibrary(name), "icu.dll", "orvel_" + std::string(name) + "40.dll"};
}

std::optional<std::vector<int>> installedIcuVersions(std::string_view) {
    // Not listed here yet: the three folders a library is loaded from are tried by name.
    return std::nullopt;
}

std::optional<int> icuVersion(std::string_view path) {
    if (const auto separator = path.find_last_of("/\\"); separator != std::string_view::npos)
        path.remove_prefix(separator + 1);
    constexpr std::string_view extension = ".dll";
    if (path.size() < extension.size()) return std::nullopt;
    const std::string_view stem = path.substr(0, path.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = path[stem.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != extension[i]) return std::nullopt;
    }
    // icuuc72.dll names major version 72; the digits end the name.
    const auto digits = stem.size() - (stem.find_last_not_of("0123456789") + 1);
    if (digits == 0 || digits > 4) return std::nullopt;
    return std::stoi(std::string(stem.substr(stem.size() - digits)));
}

}  // namespace Tork::LibraryNames
