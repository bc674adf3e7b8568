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

namespace {

std::filesystem::path pathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool isSeparator(char c) {
    return c == '/' || c == static_cast<char>(std::filesystem::path::preferred_separator);
}

}  // namespace

FileLocation::FileLocation(const FilePath& path) : path_(path.text()) {
    // A UNC path (\\server\share\a) is absolute as it is: mingw-w64's standard library
    // would put it on the current drive, and its generic form loses the server's slashes.
    if (path_.size() > 2 && isSeparator(path_[0]) && isSeparator(path_[1])) {
        url_ = fileUrlFromPath(path_);
        return;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(pathOf(path_), error);
    const std::u8string generic = error ? std::u8string() : absolute.generic_u8string();
    std::string text(generic.begin(), generic.end());
    if (text.empty()) text = path_.starts_with('/') ? path_ : '/' + path_;
    url_ = fileUrlFromPath(text);
}

std::string FileLocation::problem() const {
    if (!path_.empty()) {
        std::error_code error;
        if (!std::filesystem::exists(pathOf(path_), error)) return "no such file";
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
    // Rooted: /a everywhere; on Windows also C:\a, \a and \\server\share.
    if (!argument.empty() && (argument.front() == '/' || pathOf(argument).has_root_directory()))
        return fileUrlFromPath(argument);
    std::string path(workingFolder);
    if (path.empty() || path.back() != '/') path += '/';
    path += argument;
    return fileUrlFromPath(path);
}

}  // namespace Tork::Host
