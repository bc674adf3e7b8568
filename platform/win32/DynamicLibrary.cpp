// Only Win32 calls: LoadLibraryExW and friends.
#include "platform/DynamicLibrary.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>

namespace Tork {
namespace {

thread_local DWORD lastLoadError = ERROR_SUCCESS;

HMODULE moduleOf(void* handle) {
    return static_cast<HMODULE>(handle);
}

// The loader takes only backslashes as separators in a path.
std::optional<std::wstring> systemPath(const std::string& path) {
    auto wide = Win32::widened(path);
    if (wide) std::replace(wide->begin(), wide->end(), L'/', L'\\');
    return wide;
}

// The folder, with its separator, of a module's file; null means the program.
std::string folderOfModule(HMODULE module) {
    std::wstring file(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, file.data(), static_cast<DWORD>(file.size()));
        if (length == 0) return {};
        if (length < file.size()) {
            file.resize(length);
            break;
        }
        file.resize(file.size() * 2);  // cut short: try a larger buffer
    }
    const auto separator = file.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    return Win32::narrowed(std::wstring_view(file).substr(0, separator + 1)).value_or("");
}

// A bare name is looked for only in the folder of the module holding this code (the
// plug-in), the program's folder and System32: never in the current folder or PATH, where
// anyone may plant a DLL of that name. The library's own dependencies are looked for in its
// folder, the program's and System32.
HMODULE loadSafely(const std::wstring& path) {
    constexpr DWORD dependencies = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR |
                                   LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                   LOAD_LIBRARY_SEARCH_SYSTEM32;
    if (path.find_first_of(L"\\:") != std::wstring::npos) {
        // The loader takes the folder of a library to search only from a full path.
        std::wstring full(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()),
                                                    full.data(), nullptr);
            if (length == 0) return nullptr;
            if (length < full.size()) {
                full.resize(length);
                break;
            }
            full.resize(length);  // the size it needs, terminator included
        }
        return ::LoadLibraryExW(full.c_str(), nullptr, dependencies);
    }
    const std::string own = DynamicLibrary::folderOf(reinterpret_cast<const void*>(&loadSafely));
    if (const auto folder = Win32::widened(own); folder && !folder->empty()) {
        if (HMODULE module = ::LoadLibraryExW((*folder + path).c_str(), nullptr, dependencies))
            return module;
    }
    return ::LoadLibraryExW(path.c_str(), nullptr,
                            LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

DynamicLibrary::DynamicLibrary(const std::string& path) {
    const auto wide = systemPath(path);
    handle_ = wide && !wide->empty() ? loadSafely(*wide) : nullptr;
    if (!handle_) lastLoadError = wide ? ::GetLastError() : ERROR_INVALID_NAME;
}

void* DynamicLibrary::symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(::GetProcAddress(moduleOf(handle_), name)) : nullptr;
}

void DynamicLibrary::close() noexcept {
    if (handle_) ::FreeLibrary(moduleOf(std::exchange(handle_, nullptr)));
}

bool DynamicLibrary::isLoaded(const std::string& path) {
    const auto wide = systemPath(path);
    return wide && !wide->empty() && ::GetModuleHandleW(wide->c_str()) != nullptr;
}

std::string DynamicLibrary::folderOf(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(address), &module))
        return {};
    return folderOfModule(module);
}

std::string DynamicLibrary::programFolder() {
    return folderOfModule(nullptr);
}

std::string DynamicLibrary::lastError() {
    const DWORD error = std::exchange(lastLoadError, ERROR_SUCCESS);
    if (error == ERROR_SUCCESS) return {};
    wchar_t text[512];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, text, std::size(text), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) --length;
    const std::string message = Win32::narrowed(std::wstring_view(text, length)).value_or("");
    return "Windows error " + std::to_string(error) + (message.empty() ? "" : ": " + message);
}

}  // namespace Tork
