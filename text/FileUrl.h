// Local paths from file: URLs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tork {

/// The local path (UTF-8) that a file: URL names: file:///p, file://localhost/p or file:/p,
/// the scheme and host in any letter case, percent escapes decoded, any query or fragment
/// dropped, a leading UTF-8 signature ignored. Nullopt for another scheme or host, a path
/// that is not absolute, a bad or %00 escape, or text (before or after decoding) that is
/// not well-formed UTF-8. Where the system reads file: URLs itself (Windows), it decides
/// what follows the scheme: drive letters, UNC hosts, its own decoding; the query and
/// fragment are dropped, and a %00 escape, ill-formed text and another scheme refused, all
/// the same.
[[nodiscard]] std::optional<std::string> filePathFromUrl(std::string_view url);

/// What filePathFromUrl makes the path from: `url` before its query or fragment.
[[nodiscard]] std::string_view withoutQueryOrFragment(std::string_view url);

/// "file://" and `absolutePath` with every byte but letters, digits, "-._~" and "/"
/// percent-encoded, so that filePathFromUrl() gives back any well-formed UTF-8 path without
/// zero bytes, whatever it holds ("%", "?", "#", blanks). Where the system reads file: URLs
/// itself (Windows), the URL is the one its shell writes and reads back: `\` becomes "/",
/// a drive stays as written (file:///C:/a), a UNC path's server becomes the host
/// (file://server/share/a) and bytes beyond ASCII stay unescaped.
[[nodiscard]] std::string fileUrlFromPath(std::string_view absolutePath);

}  // namespace Tork
