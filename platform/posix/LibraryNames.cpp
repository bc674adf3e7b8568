// Shared library names on Linux: lib<name>.so, ICU's versioned as lib<name>.so.<major>.
#include "platform/LibraryNames.h"

namespace Tork::LibraryNames {

std::string sharedLibrary(std::string_view name) {
    return "lib" + std::string(name) + ".so";
}

std::string icuLibrary(std::string_view name, int version) {
    return sharedLibrary(name) + "." + std::to_string(version);
}

std::vector<std::string> icuFallbackLibraries(std::string_view name) {
    return {sharedLibrary(name)};
}

std::optional<int> icuVersion(std::string_view path) {
    if (const auto slash = path.rfind('/'); slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    // libicuuc.so.72 and libicuuc.so.72.1 both name major version 72.
    const auto so = path.find(".so.");
    if (so == std::string_view::npos) return std::nullopt;
    int version = 0;
    std::size_t digits = 0;
    for (char c : path.substr(so + 4)) {
        if (c < '0' || c > '9' || digits == 4) break;
        version = version * 10 + (c - '0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return version;
}

}  // namespace Tork::LibraryNames
