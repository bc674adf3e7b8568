// Output written to a temporary file and put in place of its target only when it is complete.
#pragma once

#include "platform/FileSystem.h"
#include "tools/subplay/TemporaryFiles.h"

#include <optional>
#include <ostream>
#include <string>

namespace Tork::Subplay {

/// A fresh temporary file that commit() puts in place of `target`, keeping what the shell's
/// `>` keeps. Until then `target` is untouched; the temporary file is removed when this
/// object goes uncommitted, and at a fatal signal. A symbolic link stays: the file it leads
/// to is replaced. A device, FIFO or socket is no file to replace: it is written directly.
///
/// The temporary file sits beside the target and is renamed over it, with the target's
/// owner, group, permissions and extended attributes (ACLs among them). Where that cannot
/// keep the file as it was (a folder this user may not write, a file with more than one
/// name, an owner or attribute this user cannot give), the target's own contents are
/// replaced instead, as `>` does, from a temporary file beside it or in a private folder.
class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// False, with error() saying why, when nothing could be opened for writing.
    bool isOpen() const { return fd_ >= 0; }
    std::ostream& stream() { return stream_; }

    /// Flushes the output and puts it in place of the target. False, with error() holding
    /// the system's reason, when any step fails: the target is then untouched, unless its
    /// contents were being replaced in place, which error() says.
    [[nodiscard]] bool commit();
    const std::string& error() const { return error_; }

private:
    int open();
    [[nodiscard]] bool replaceInPlace();
    bool failed(int error);

    std::string target_;     // links resolved
    std::string temporary_;  // empty when the target is written directly
    std::optional<TemporaryFiles::PrivateFolder> folder_;  // holds temporary_ when set
    int existing_ = -1;  // the target opened for writing, when it is replaced in place
    std::string error_;
    int fd_ = -1;  // before buffer_, which writes to it
    DescriptorBuffer buffer_;
    std::ostream stream_;
};

}  // namespace Tork::Subplay
