// Only Win32 calls: CreateFileW, SetFilePointer, ReadFile and CloseHandle; the C library's
// _wfopen.
#include "platform/FileHandle.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>

namespace Tork {
namespace {

HANDLE handleOf(std::intptr_t descriptor) {
    return reinterpret_cast<HANDLE>(descriptor);
}

DWORD disposition(FileCreation creation) {
    switch (creation) {
        case FileCreation::OpenExisting:
            return OPEN_EXISTING;
        case FileCreation::CreateAlways:
            return CREATE_ALWAYS;
        case FileCreation::CreateNew:
            return CREATE_NEW;
        case FileCreation::OpenAlways:
            return OPEN_ALWAYS;
    }
    return OPEN_EXISTING;
}

}  // namespace

FileHandle FileHandle::open(const std::string& path, FileAccess access, FileCreation creation,
                            FileOpenFailure* failure) {
    using Kind = FileOpenFailure::Kind;
    const auto fail = [failure](Kind kind, DWORD error) {
        if (failure) *failure = {kind, static_cast<std::int32_t>(error)};
        return FileHandle();
    };
    const auto failWithError = [&fail](DWORD error) {
        return fail(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                            error == ERROR_INVALID_NAME
                        ? Kind::NotFound
                    : error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                        ? Kind::PermissionDenied
                        : Kind::Other,
                    error);
    };
    std::optional<std::wstring> wide;
    try {
        wide = Win32::widened(path);
    } catch (const std::bad_alloc&) {
        return fail(Kind::Other, ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!wide || wide->empty()) return fail(Kind::NotFound, 0);
    // Looked at before it is opened: opening a device can act on it. Only a file, or a
    // missing one that may be created, goes on.
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : NO_ERROR;
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!missing || creation == FileCreation::OpenExisting) return failWithError(error);
    } else if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return fail(Kind::NotRegularFile, 0);
    }
    const DWORD wanted = access == FileAccess::Read    ? GENERIC_READ
                         : access == FileAccess::Write ? GENERIC_WRITE
                                                       : GENERIC_READ | GENERIC_WRITE;
    // Others may go on reading and writing a file that is only read here, and only read one
    // that is written here.
    const DWORD sharing =
        access == FileAccess::Read ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const HANDLE handle = ::CreateFileW(wide->c_str(), wanted, sharing, nullptr,
                                        disposition(creation), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return failWithError(::GetLastError());
    // INVALID_HANDLE_VALUE is -1: a closed FileHandle.
    FileHandle file(reinterpret_cast<std::intptr_t>(handle));
    // And what was opened: device names (NUL, CON, COM1) may carry a file's attributes.
    if (::GetFileType(handle) != FILE_TYPE_DISK) return fail(Kind::NotRegularFile, 0);
    return file;
}

std::int64_t FileHandle::seek(std::int64_t offset, SeekOrigin origin) noexcept {
    if (!isOpen()) return -1;
    const DWORD method = origin == SeekOrigin::Start     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    const auto distance = static_cast<std::uint64_t>(offset);
    LONG high = static_cast<LONG>(distance >> 32);
    ::SetLastError(NO_ERROR);
    const DWORD low = ::SetFilePointer(handleOf(descriptor_),
                                       static_cast<LONG>(distance & 0xFFFFFFFFu), &high, method);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return -1;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) |
                                     low);
}

std::int64_t FileHandle::read(void* buffer, std::size_t count) {
    if (!isOpen()) return -1;
    std::size_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(handleOf(descriptor_), static_cast<char*>(buffer) + done, chunk, &got,
                        nullptr))
            return -1;
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

void FileHandle::close() noexcept {
    if (isOpen()) ::CloseHandle(handleOf(std::exchange(descriptor_, -1)));
}

std::FILE* openForAppending(const char* path) noexcept {
    try {
        const auto wide = Win32::widened(path);
        return wide && !wide->empty() ? ::_wfopen(wide->c_str(), L"a") : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace Tork
