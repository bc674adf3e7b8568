#include "host/UrlLocation.h"

#include "text/FileUrl.h"

#include <algorithm>
#include <cctype>

namespace Tork::Host {

bool isUrl(std::string_view argument) {
    const auto colon = argument.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view scheme = argument.substr(0, colon);
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    if (scheme.size() == 4 && std::equal(scheme.begin(), scheme.end(), "file",
                                         [&](char a, char b) { return lower(a) == b; }))
        return true;
    return argument.substr(colon, 3) == "://" &&
           std::isalpha(static_cast<unsigned char>(scheme[0])) &&
           std::all_of(scheme.begin(), scheme.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                      c == '.';
           });
}

std::string locationFor(std::string_view argument, std::string_view workingFolder) {
    if (isUrl(argument)) return std::string(argument);
    if (!argument.empty() && argument.front() == '/') return fileUrlFromPath(argument);
    std::string path(workingFolder);
    if (path.empty() || path.back() != '/') path += '/';
    path += argument;
    return fileUrlFromPath(path);
}

}  // namespace Tork::Host
