// Shared library names on Linux: lib<name>.so, ICU's versioned as lib<name>.so.<major>;
// the versions installed, from the linker's folders and its cache.
#include "platform/LibraryNames.h"

#include "platform/posix/LinkerCache.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

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

namespace {

// The folders the dynamic linker searches for a bare name besides its cache, in its order
// (LD_LIBRARY_PATH, the program's run path, the system's folders); empty when it will not
// say.
std::vector<std::string> librarySearchFolders() {
    void* const program = ::dlopen(nullptr, RTLD_LAZY | RTLD_NOLOAD);
    if (!program) return {};
    std::vector<std::string> folders;
    Dl_serinfo size;
    if (::dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        const std::unique_ptr<void, decltype(&std::free)> block(std::malloc(size.dls_size),
                                                                &std::free);
        auto* info = static_cast<Dl_serinfo*>(block.get());
        if (info && ::dlinfo(program, RTLD_DI_SERINFOSIZE, info) == 0 &&
            ::dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned i = 0; i < info->dls_cnt; ++i)
                if (info->dls_serpath[i].dls_name)
                    folders.emplace_back(info->dls_serpath[i].dls_name);
        }
    }
    ::dlclose(program);
    return folders;
}

}  // namespace

std::optional<std::vector<int>> installedIcuVersions(std::string_view name) {
    const std::string prefix = sharedLibrary(name) + ".";
    std::vector<int> versions;
    std::vector<std::string> listed;
    for (const std::string& folder : librarySearchFolders()) {
        // /lib is often /usr/lib under another name.
        const std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr),
                                                               &std::free);
        if (!real || std::find(listed.begin(), listed.end(), real.get()) != listed.end()) continue;
        listed.emplace_back(real.get());
        const auto closeDirectory = [](DIR* open) { ::closedir(open); };
        const std::unique_ptr<DIR, decltype(closeDirectory)> directory(::opendir(real.get()));
        if (!directory) continue;
        while (const dirent* entry = ::readdir(directory.get())) {
            if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
            if (const auto version = icuVersion(entry->d_name)) versions.push_back(*version);
        }
    }
    // The cache holds the folders of ld.so.conf and ld.so.conf.d (/usr/local/lib, /opt/...),
    // whose libraries the linker finds by name only through it. It lists every kind of
    // library the system has (32-bit beside 64-bit): a version of another kind costs one
    // search that fails, once.
    if (const auto cached = LinkerCache::read(LinkerCache::kSystemCache)) {
        const std::vector<int> listed = LinkerCache::icuVersions(*cached, name);
        versions.insert(versions.end(), listed.begin(), listed.end());
    }
    std::sort(versions.begin(), versions.end(), std::greater<>());
    versions.erase(std::unique(versions.begin(), versions.end()), versions.end());
    return versions;
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
