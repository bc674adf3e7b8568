// Only Win32 calls: the shell's PathCreateFromUrlW.
#include "platform/FileUrl.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <shlwapi.h>  // after windows.h, whose types it uses

#include <cwchar>

namespace Tork {

std::optional<std::string> systemPathFromFileUrl(std::string_view url) {
    const auto wide = Win32::widened(url);
    if (!wide) return std::nullopt;
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = MAX_PATH;
    HRESULT result = ::PathCreateFromUrlW(wide->c_str(), path.data(), &length, 0);
    // A longer path: the shell answers how many units it needs.
    if (result == E_POINTER && length > path.size()) {
        path.assign(length, L'\0');
        result = ::PathCreateFromUrlW(wide->c_str(), path.data(), &length, 0);
    }
    if (FAILED(result)) return std::nullopt;
    path.resize(std::wcslen(path.c_str()));
    if (path.empty()) return std::nullopt;  // "file:" names no file
    return Win32::narrowed(path);
}

}  // namespace Tork
