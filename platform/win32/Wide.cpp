// Only Win32 calls: MultiByteToWideChar and WideCharToMultiByte.
#include "platform/win32/Wide.h"

#include <windows.h>

#include <limits>

namespace Tork::Win32 {

std::optional<std::wstring> widened(std::string_view text) {
    if (text.empty()) return std::wstring();
    if (text.find('\0') != std::string_view::npos ||
        text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int units =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                              units) != units)
        return std::nullopt;
    return wide;
}

std::optional<std::string> narrowed(std::wstring_view text) {
    if (text.empty()) return std::string();
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 3))
        return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size,
                                            nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, narrow.data(),
                              bytes, nullptr, nullptr) != bytes)
        return std::nullopt;
    return narrow;
}

}  // namespace Tork::Win32
