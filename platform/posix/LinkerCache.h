// The GNU dynamic linker's cache of libraries (what `ldconfig -p` lists), read as data.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tork::LinkerCache {

/// Where the system keeps the cache.
inline constexpr const char* kSystemCache = "/etc/ld.so.cache";

/// One library the cache lists.
struct Library {
    std::string name;  // the name a program asks for ("libicuuc.so.72")
    std::string path;  // where the linker finds it, in whichever folder ld.so.conf names

    friend bool operator==(const Library&, const Library&) = default;
};

/// The libraries in `bytes`, a cache file as ldconfig writes it (the current format, or the
/// old one with or without the current one after it), in the cache's order. None when the
/// bytes are no such file or its table runs past their end; an entry whose texts lie
/// outside the bytes is left out.
[[nodiscard]] std::optional<std::vector<Library>> parse(std::string_view bytes);

/// parse() of the file at `path`; none also when it cannot be read.
[[nodiscard]] std::optional<std::vector<Library>> read(const std::string& path);

/// The major versions of ICU's library `name` ("icuuc") among `libraries`, in their order:
/// of each library named as LibraryNames::icuLibrary() names a version.
[[nodiscard]] std::vector<int> icuVersions(const std::vector<Library>& libraries,
                                           std::string_view name);

}  // namespace Tork::LinkerCache
