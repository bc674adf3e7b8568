// A file handle with the framework's open modes and a size query.
#pragma once

#include "platform/FileHandle.h"

#include <cstdint>
#include <string_view>

namespace Tork {

/// Access wanted and what happens when the file exists or not.
enum class FileOpenMode : std::int32_t {
    Read = 0,               // the file must exist
    WriteTruncate = 1,      // always create, truncating
    WriteNew = 2,           // create; fail if it exists
    ReadWriteTruncate = 3,  // always create, truncating
    ReadWrite = 4,          // open if it exists, else create
    ReadWriteNew = 5,       // create; fail if it exists
    WriteAtEnd = 6,         // open if it exists, else create; positioned at the end
    ReadWriteAtEnd = 7,     // open if it exists, else create; positioned at the end
};

namespace FileOpenResult {
inline constexpr std::int32_t Opened = 0;
inline constexpr std::int32_t AlreadyOpen = 1;
inline constexpr std::int32_t Refused = 2;
inline constexpr std::int32_t BadMode = 3;
}  // namespace FileOpenResult

/// Holds at most one open regular file; closed at construction and destruction.
class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    virtual ~File() = default;

    /// Opens the UTF-16 `path`. Answers AlreadyOpen (nothing changes) when a file is held,
    /// BadMode for a mode outside 0 to 7, and Refused when the system refuses or the path
    /// is ill-formed, holds a zero unit or names anything but a regular file. Throws nothing
    /// but the unwinding of a thread cancelled while the system opens the file.
    [[nodiscard]] std::int32_t open(std::u16string_view path, FileOpenMode mode);
    /// The size in bytes, the position left where it was; -1 when no file is open or the
    /// position cannot be read.
    [[nodiscard]] std::int64_t size() noexcept;
    bool isOpen() const noexcept { return handle_.isOpen(); }

private:
    FileHandle handle_;
};

}  // namespace Tork
