#include "tools/subplay/FileUrl.h"

#include <algorithm>
#include <cctype>

namespace Tork::Subplay {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

bool keptInPath(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool isFileUrl(std::string_view url) {
    return startsWithNoCase(url, "file:");
}

bool isUrl(std::string_view argument) {
    if (isFileUrl(argument)) return true;
    const auto colon = argument.find("://");
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view scheme = argument.substr(0, colon);
    return std::isalpha(static_cast<unsigned char>(scheme[0])) &&
           std::all_of(scheme.begin(), scheme.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                      c == '.';
           });
}

std::string fileUrlFromPath(std::string_view absolutePath) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptInPath(byte)) {
            url += c;
        } else {
            url += '%';
            url += digits[byte >> 4];
            url += digits[byte & 0x0F];
        }
    }
    return url;
}

std::string locationFor(std::string_view argument, std::string_view workingFolder) {
    if (isUrl(argument)) return std::string(argument);
    if (!argument.empty() && argument.front() == '/') return fileUrlFromPath(argument);
    std::string path(workingFolder);
    if (path.empty() || path.back() != '/') path += '/';
    path += argument;
    return fileUrlFromPath(path);
}

std::optional<std::string> pathFromFileUrl(std::string_view url) {
    if (!isFileUrl(url)) return std::nullopt;
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        const bool local =
            host.empty() || (host.size() == 9 && startsWithNoCase(host, "localhost"));
        if (!local) return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/') return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size()) return std::nullopt;
        const int high = hexValue(rest[i + 1]), low = hexValue(rest[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

std::string_view urlExtension(std::string_view url) {
    const auto dot = url.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : url.substr(dot);
}

}  // namespace Tork::Subplay
