// Helpers that format parsers share: file URLs to paths, and whole text files as UTF-8.
#pragma once

#include "framework/ResultCode.h"
#include "framework/String.h"

#include <cstdint>

namespace Tork {

class ContainerContext;
class UCNVLibrary;
class UCSDetLibrary;

namespace ParserUtilities {

/// How readTextFile takes an explicit size.
enum class ReadSize : std::uint8_t {
    Exact,   // exactly that many bytes; a shorter file fails
    AtMost,  // that many bytes, or the whole file when it is shorter
};

/// readTextFile's size for the whole file.
inline constexpr std::int32_t kWholeFile = -1;

/// Reads the file at `path` (UTF-8) whole (kWholeFile) or its first `size` bytes, settles
/// its encoding from its signature or from the "CodePage" settings of `settings` (may be
/// null) and hands it out in `out` as UTF-8. False, with `out` untouched, when `out` is
/// null, the file is no regular file or cannot be read, `size` is otherwise negative, the
/// length does not fit a 32-bit size, an Exact read finds fewer bytes, conversion fails,
/// the text does not begin with a well-formed UTF-8 character followed by at least one
/// more byte, or memory runs out. The failures to open, size and read are logged.
[[nodiscard]] bool readTextFile(const String& path, ContainerContext* settings, String* out,
                                std::int32_t size = kWholeFile,
                                ReadSize mode = ReadSize::Exact) noexcept;

/// As above, converting named encodings through `converters` (null: none are available).
/// With a `detector`, a text that neither a signature nor the settings name and that is not
/// UTF-8 is converted from the encoding that detectCharset() settles, when it settles one. A text
/// counts as UTF-8 when it holds fewer ill-formed parts than characters of two or more bytes, not
/// counting a sequence that a partial read cut off; without a match, or with a name the converters
/// refuse, it is taken as UTF-8 all the same.
[[nodiscard]] bool readTextFile(const String& path, ContainerContext* settings, String* out,
                                std::int32_t size, ReadSize mode, const UCNVLibrary* converters,
                                const UCSDetLibrary* detector = nullptr) noexcept;

/// Sets `pathOut` (keeping its allocator) to the local path that the file: URL in
/// `location` (its text up to the first zero) names. Answers Result::NotFileUrl, with
/// `pathOut` untouched, when the URL is refused (see filePathFromUrl) or memory runs out.
[[nodiscard]] ResultCode pathFromUrl(const String& location, String& pathOut) noexcept;

}  // namespace ParserUtilities
}  // namespace Tork
