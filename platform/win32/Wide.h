// UTF-8 and UTF-16 at the edge of the Windows calls, for the win32 files only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tork::Win32 {

/// `text` as UTF-16; nullopt when it is not well-formed UTF-8 or holds a zero byte, which
/// would cut a path short. Throws only std::bad_alloc.
std::optional<std::wstring> widened(std::string_view text);

/// `text` as UTF-8; nullopt when it holds a lone surrogate. Throws only std::bad_alloc.
std::optional<std::string> narrowed(std::wstring_view text);

}  // namespace Tork::Win32
