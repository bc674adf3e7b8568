// Where the plug-in looks for the system's ICU common library.
#include "text/UCNVLibrary.h"

#include "platform/LibraryNames.h"

namespace Tork {

std::vector<std::string> UCNVLibrary::systemCandidates() {
    std::vector<std::string> names;
    for (int version = kNewestVersion; version >= kOldestVersion; --version)
        names.push_back(LibraryNames::icuLibrary("icuuc", version));
    for (std::string& name : LibraryNames::icuFallbackLibraries("icuuc"))
        names.push_back(std::move(name));
    return names;
}

}  // namespace Tork
