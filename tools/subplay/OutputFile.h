// Output written beside its target and renamed into place only when it is complete.
#pragma once

#include "platform/FileSystem.h"

#include <ostream>
#include <string>

namespace Tork::Subplay {

/// A fresh temporary file in the folder of `target`, which commit() renames to `target`.
/// Until then `target` is untouched; the temporary file is removed when this object goes
/// uncommitted, and at a fatal signal. A symbolic link stays: the file it leads to is
/// replaced. A device, FIFO or socket is no file to replace: it is written directly.
class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// False, with error() saying why, when nothing could be opened for writing.
    bool isOpen() const { return fd_ >= 0; }
    std::ostream& stream() { return stream_; }

    /// Flushes and closes the temporary file, gives it the permissions of a file it
    /// replaces and renames it to the target. False, with error() holding the system's
    /// reason and the target untouched, when any step fails.
    [[nodiscard]] bool commit();
    const std::string& error() const { return error_; }

private:
    std::string target_;     // links resolved
    std::string temporary_;  // empty when the target is written directly
    std::string error_;
    int fd_;  // before buffer_, which writes to it
    DescriptorBuffer buffer_;
    std::ostream stream_;
};

}  // namespace Tork::Subplay
