// Where the plug-in looks for the system's ICU common library.
#include "text/UCNVLibrary.h"

namespace Tork {

std::vector<std::string> UCNVLibrary::systemCandidates() {
    std::vector<std::string> names;
    for (int version = kNewestVersion; version >= kOldestVersion; --version)
        names.push_back("libicuuc.so." + std::to_string(version));
    names.push_back("libicuuc.so");
    return names;
}

}  // namespace Tork
