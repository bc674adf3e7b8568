#include "text/FileUrl.h"

#include "platform/FileUrl.h"
#include "text/Ascii.h"
#include "text/Utf.h"

namespace Tork {
namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view lowerCase) {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Ascii::lower(text[i]) != lowerCase[i]) return false;
    }
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (text.size() - i < 3) return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        // %00 would end the path early wherever it is handed on as a C string.
        if (high < 0 || low < 0 || (high | low) == 0) return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

}  // namespace

std::optional<std::string> filePathFromUrl(std::string_view url) {
    if (url.starts_with("\xEF\xBB\xBF")) url.remove_prefix(3);
    if (!isWellFormedUtf8(url)) return std::nullopt;

    constexpr std::string_view scheme = "file:";
    if (!equalsIgnoringCase(url.substr(0, scheme.size()), scheme)) return std::nullopt;
    if constexpr (kSystemReadsFileUrls) {
        // The shell keeps a query or fragment in the path, and decodes %00 into a zero that
        // would end it early.
        url = withoutQueryOrFragment(url);
        if (url.find("%00") != std::string_view::npos) return std::nullopt;
        return systemPathFromFileUrl(url);
    }
    std::string_view rest = url.substr(scheme.size());
    rest = withoutQueryOrFragment(rest);

    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !equalsIgnoringCase(host, "localhost")) return std::nullopt;
        if (slash == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/')) return std::nullopt;

    auto path = percentDecoded(rest);
    if (!path || !isWellFormedUtf8(*path)) return std::nullopt;
    return path;
}

std::string_view withoutQueryOrFragment(std::string_view url) {
    return url.substr(0, url.find_first_of("?#"));
}

std::string fileUrlFromPath(std::string_view absolutePath) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto separator = [](char c) { return c == '/' || (kSystemReadsFileUrls && c == '\\'); };
    std::string url = "file://";
    url.reserve(url.size() + absolutePath.size() + 1);
    if constexpr (kSystemReadsFileUrls) {
        // The shell's own forms: file:///C:/a for a drive, whose colon it reads only
        // unescaped, and file://server/share/a for a UNC path.
        const std::string_view start = absolutePath.substr(0, 3);
        if (start.size() >= 2 && Ascii::isLetter(start[0]) && start[1] == ':' &&
            (start.size() == 2 || separator(start[2]))) {
            url += '/';
            url += start.substr(0, 2);
            absolutePath.remove_prefix(2);
        } else if (start.size() >= 2 && separator(start[0]) && separator(start[1])) {
            absolutePath.remove_prefix(2);
        }
    }
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        // The shell decodes each escape into one character of its own, so a character beyond
        // ASCII stays as it is there; the portable reading decodes escapes as UTF-8 bytes.
        const bool kept = Ascii::isLetter(c) || Ascii::isDigit(c) || c == '-' || c == '.' ||
                          c == '_' || c == '~' || (kSystemReadsFileUrls && byte >= 0x80);
        if (separator(c)) {
            url += '/';
        } else if (kept) {
            url += c;
        } else {
            url += '%';
            url += digits[byte >> 4];
            url += digits[byte & 0x0F];
        }
    }
    return url;
}

}  // namespace Tork
