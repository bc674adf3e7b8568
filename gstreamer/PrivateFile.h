// A file only the user may read, for bytes the plug-in must read from a file: in the
// session's runtime folder, or else the temporary one, and removed when its owner goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Tork::Gst {

class PrivateFile {
public:
    /// A new empty file whose name ends in `suffix`; null, with `error` saying why, when
    /// neither folder takes one.
    static std::unique_ptr<PrivateFile> create(const char* suffix, std::string& error);
    /// Closes the file if it is still open and removes it.
    ~PrivateFile();
    PrivateFile(const PrivateFile&) = delete;
    PrivateFile& operator=(const PrivateFile&) = delete;

    /// Adds `size` bytes at the end; false, with error() giving the system's reason, when
    /// the write fails or the file was finished.
    [[nodiscard]] bool append(const void* data, std::size_t size);
    /// Closes the file for writing; false, with error() saying why, when that fails.
    [[nodiscard]] bool finish();

    const std::string& path() const { return path_; }
    /// The file's file: URL, or empty when its name makes none.
    std::string url() const;
    std::uint64_t size() const { return size_; }
    const std::string& error() const { return error_; }

private:
    PrivateFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

    std::string path_;
    int fd_;
    std::uint64_t size_ = 0;
    std::string error_;
};

}  // namespace Tork::Gst
