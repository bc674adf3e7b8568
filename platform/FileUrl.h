// How this system turns file: URLs into local paths, where it has a way of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tork {

/// Whether the system reads file: URLs itself: Windows' shell, with its drive letters, UNC
/// hosts and percent-decoding. Elsewhere the portable reading serves.
#ifdef _WIN32
inline constexpr bool kSystemReadsFileUrls = true;
#else
inline constexpr bool kSystemReadsFileUrls = false;
#endif

/// The local path (UTF-8) that the system makes of the file: URL `url` (well-formed UTF-8);
/// nullopt when it refuses the URL or makes no path of it. Defined only where
/// kSystemReadsFileUrls holds. Throws only std::bad_alloc.
std::optional<std::string> systemPathFromFileUrl(std::string_view url);

}  // namespace Tork
