// Where the plug-in looks for the system's ICU common library.
#include "text/UCNVLibrary.h"

#include "platform/LibraryNames.h"

namespace Tork {

std::vector<std::string> UCNVLibrary::systemCandidates() {
    std::vector<std::string> names;
    // A name that is not there costs the linker a search of every folder: where the system
    // can list what is installed, only those versions are tried.
    if (const auto installed = LibraryNames::installedIcuVersions("icuuc")) {
        for (const int version : *installed)
            if (version >= kOldestVersion)
                names.push_back(LibraryNames::icuLibrary("icuuc", version));
    } else {
        for (int version = kNewestVersion; version >= kOldestVersion; --version)
            names.push_back(LibraryNames::icuLibrary("icuuc", version));
    }
    for (std::string& name : LibraryNames::icuFallbackLibraries("icuuc"))
        names.push_back(std::move(name));
    return names;
}

}  // namespace Tork
