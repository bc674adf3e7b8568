// Output written beside its target and renamed into place only when it is complete.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace Tork::Subplay {

/// A stream buffer that hands everything straight to a file descriptor (subplay's writers
/// buffer their own output) and remembers the system's reason for the first write that
/// failed; later writes are dropped. It neither opens nor closes the descriptor.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) {}
    /// The errno of the first failed write, 0 when none failed.
    int error() const { return error_; }

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;

private:
    int fd_;
    int error_ = 0;
};

/// A fresh temporary file in the folder of `target`, which commit() renames to `target`.
/// Until then `target` is untouched; the temporary file is removed when this object goes
/// uncommitted, and at a fatal signal.
class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// False, with error() saying why, when no temporary file could be made.
    bool isOpen() const { return fd_ >= 0; }
    std::ostream& stream() { return stream_; }

    /// Flushes and closes the temporary file, gives it the permissions of a file it
    /// replaces and renames it to the target. False, with error() holding the system's
    /// reason and the target untouched, when any step fails.
    [[nodiscard]] bool commit();
    const std::string& error() const { return error_; }

private:
    std::string target_;
    std::string temporary_;
    std::string error_;
    int fd_;  // before buffer_, which writes to it
    DescriptorBuffer buffer_;
    std::ostream stream_;
};

}  // namespace Tork::Subplay
