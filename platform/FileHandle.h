// A file opened by path, behind the operating system's descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace Tork {

enum class FileAccess : std::uint8_t { Read, Write, ReadWrite };

/// What opening does when the file exists and when it does not.
enum class FileCreation : std::uint8_t {
    OpenExisting,  // the file must exist
    CreateAlways,  // create, truncating an existing file
    CreateNew,     // create; fail when it exists
    OpenAlways,    // open when it exists, else create
};

enum class SeekOrigin : std::uint8_t { Start, Current, End };

/// Why FileHandle::open gave no file.
struct FileOpenFailure {
    enum class Kind : std::uint8_t { None, NotFound, NotRegularFile, PermissionDenied, Other };
    Kind kind = Kind::None;
    std::int32_t systemError = 0;  // errno, or GetLastError() on Windows; 0 when none
};

/// Owns one open regular file and closes it on destruction. Opening and reading may wait on
/// the system (a slow network file), so a host thread cancelled there unwinds out of them;
/// they throw nothing else. Closing is never where a thread is cancelled: the descriptor
/// is always given back.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(FileHandle&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            close();
            descriptor_ = std::exchange(other.descriptor_, -1);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }

    /// Opens `path` (UTF-8 bytes). The result is not isOpen() when the system refuses, when
    /// the path holds a zero byte, or when it names anything but a regular file, which is
    /// then never opened (nor waited for, as a FIFO might be). On Windows others may read and
    /// write a file opened only for reading, and only read one opened for writing. Says why
    /// in `*failure` (may be null).
    [[nodiscard]] static FileHandle open(const std::string& path, FileAccess access,
                                         FileCreation creation, FileOpenFailure* failure = nullptr);

    bool isOpen() const noexcept { return descriptor_ >= 0; }
    /// The new position counted from the start, or -1 when it cannot be moved there.
    [[nodiscard]] std::int64_t seek(std::int64_t offset, SeekOrigin origin) noexcept;
    /// Reads until `count` bytes, the end of the file or an error. Answers the count read,
    /// or -1 when the system reported an error.
    [[nodiscard]] std::int64_t read(void* buffer, std::size_t count);
    void close() noexcept;

private:
    explicit FileHandle(std::intptr_t descriptor) noexcept : descriptor_(descriptor) {}

    std::intptr_t descriptor_ = -1;  // a descriptor (POSIX) or a handle (Windows)
};

/// Opens `path` (UTF-8) with the C library for appending, as std::fopen(path, "a") does;
/// null when the system refuses.
[[nodiscard]] std::FILE* openForAppending(const char* path) noexcept;

}  // namespace Tork
