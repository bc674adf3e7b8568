#include "host/UrlLocation.h"

#include "text/FileUrl.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

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

FileLocation::FileLocation(const FilePath& path) : path_(path.text()) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(
        std::filesystem::path(std::u8string(path_.begin(), path_.end())), error);
    const std::u8string generic = error ? std::u8string() : absolute.generic_u8string();
    std::string text(generic.begin(), generic.end());
    if (text.empty()) text = path_;
    if (text.empty() || text.front() != '/') text.insert(0, 1, '/');  // a drive letter
    url_ = fileUrlFromPath(text);
}

std::string FileLocation::problem() const {
    if (!path_.empty()) {
        std::error_code error;
        if (!std::filesystem::exists(
                std::filesystem::path(std::u8string(path_.begin(), path_.end())), error))
            return "no such file";
        return {};
    }
    const std::string_view scheme = std::string_view(url_).substr(0, 5);
    const bool file =
        scheme.size() == 5 && std::equal(scheme.begin(), scheme.end(), "file:", [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == b;
        });
    if (!file) return "not a file: URL (a path goes in a FilePath)";
    return {};
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
