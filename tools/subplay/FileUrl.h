// file: URLs for local paths, and back again for diagnostics.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tork::Subplay {

/// Whether `argument` names a URL rather than a path: it starts with "file:", or with a
/// scheme followed by "://".
bool isUrl(std::string_view argument);

/// Whether `url` starts with "file:", in any letter case.
bool isFileUrl(std::string_view url);

/// "file://" and `absolutePath` with every byte but letters, digits, "-._~" and "/"
/// percent-encoded, so blanks, "%", "#" and non-ASCII names survive.
std::string fileUrlFromPath(std::string_view absolutePath);

/// The location to hand the plug-in: a URL as given, or a path made absolute against
/// `workingFolder` and turned into a file: URL.
std::string locationFor(std::string_view argument, std::string_view workingFolder);

/// The local path of a file: URL (empty or "localhost" host), percent-decoded; nothing
/// for another scheme or host, a malformed escape, or an escaped zero byte.
std::optional<std::string> pathFromFileUrl(std::string_view url);

/// What the plug-in takes for the extension: from the last "." to the end, or empty.
std::string_view urlExtension(std::string_view url);

}  // namespace Tork::Subplay
