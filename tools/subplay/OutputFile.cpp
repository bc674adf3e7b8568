#include "tools/subplay/OutputFile.h"

#include "platform/FatalSignals.h"

#include <cstring>
#include <filesystem>

namespace Tork::Subplay {

namespace {

namespace fs = std::filesystem;

// The file a chain of symbolic links ends at, so that the file is replaced and the links
// stay; `path` itself when it is no link. A loop was refused when the target was checked.
// A link to nothing leads to the file it names, as the shell's `>` makes it.
std::string linkedFile(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(path, error)) break;
        const fs::path next = fs::read_symlink(path, error);
        if (error) break;
        path = (next.is_absolute() ? next : fs::path(path).parent_path() / next).string();
    }
    return path;
}

// Opens the temporary file for `target`, which becomes the file its links lead to, or the
// target itself when it is written directly.
int openOutput(std::string& target, std::string& temporary, std::string& error) {
    // A device or a FIFO takes the output as the shell's `>` gives it: renaming a file over
    // it would replace the node itself.
    std::error_code ignored;
    if (fs::is_other(fs::status(target, ignored))) {
        const Descriptor direct = openForWriting(target);
        if (direct.fd < 0) error = std::strerror(direct.error);
        return direct.fd;
    }
    target = linkedFile(target);
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    // A dot file, so that a half-written output never looks like a finished one.
    temporary = folder + ".subplay-XXXXXX";
    // As readable as any file the user makes.
    const Descriptor file = createUniqueFile(temporary, 0666);
    if (file.fd < 0) {
        error = std::strerror(file.error);
        temporary.clear();
        return -1;
    }
    registerForRemoval(temporary);
    return file.fd;
}

}  // namespace

OutputFile::OutputFile(std::string target)
    : target_(std::move(target)),
      fd_(openOutput(target_, temporary_, error_)),
      buffer_(fd_),
      stream_(&buffer_) {}

OutputFile::~OutputFile() {
    if (fd_ >= 0) (void)closeDescriptor(fd_);
    if (!temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
        unregisterForRemoval(temporary_);
    }
}

bool OutputFile::commit() {
    if (fd_ < 0) return false;
    stream_.flush();
    int failure = buffer_.error();
    std::error_code missing;
    const fs::file_status existing = fs::status(target_, missing);
    if (failure == 0 && !temporary_.empty() && !missing) {
        failure = setPermissions(fd_, static_cast<std::uint32_t>(existing.permissions()));
    }
    if (const int closed = closeDescriptor(fd_); closed != 0 && failure == 0) failure = closed;
    fd_ = -1;
    std::error_code renamed;
    if (failure == 0 && !temporary_.empty()) fs::rename(temporary_, target_, renamed);
    if (failure != 0 || renamed) {
        error_ = failure != 0 ? std::strerror(failure) : renamed.message();
        return false;
    }
    unregisterForRemoval(temporary_);
    temporary_.clear();
    return true;
}

}  // namespace Tork::Subplay
