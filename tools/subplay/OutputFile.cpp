#include "tools/subplay/OutputFile.h"

#include "platform/FatalSignals.h"

#include <cstring>
#include <filesystem>
#include <system_error>

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

// Whether a folder refused a new file for want of rights, not for a fault.
bool refusedByRights(int error) {
    const std::error_code code(error, std::generic_category());
    return code == std::errc::permission_denied || code == std::errc::operation_not_permitted ||
           code == std::errc::read_only_file_system;
}

std::string reason(int error) {
    return std::strerror(error);
}

}  // namespace

OutputFile::OutputFile(std::string target)
    : target_(std::move(target)), fd_(open()), buffer_(fd_), stream_(&buffer_) {}

int OutputFile::open() {
    // A device or a FIFO takes the output as the shell's `>` gives it: renaming a file over
    // it would replace the node itself.
    std::error_code ignored;
    if (fs::is_other(fs::status(target_, ignored))) {
        const Descriptor direct = openForWriting(target_);
        if (direct.fd < 0) error_ = reason(direct.error);
        return direct.fd;
    }
    target_ = linkedFile(target_);
    const auto slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    const auto node = nodeOf(target_, FollowLinks::Yes);
    const bool exists = node && node->kind == FileNode::Kind::Regular;
    // A file of several names is written itself: a new file would take this name from it.
    if (exists && node->links > 1) {
        const Descriptor file = openForWriting(target_);
        if (file.fd < 0) {
            error_ = reason(file.error);
            return -1;
        }
        existing_ = file.fd;
    }
    // A dot file, so that a half-written output never looks like a finished one.
    temporary_ = folder + ".subplay-XXXXXX";
    // As readable as any file the user makes.
    Descriptor made = createUniqueFile(temporary_, 0666);
    if (made.fd < 0 && exists && existing_ < 0 && refusedByRights(made.error)) {
        // A folder this user may not add to: the file itself is replaced, if it may be
        // written, as the shell's `>` does.
        const Descriptor file = openForWriting(target_);
        if (file.fd < 0) {
            error_ = reason(file.error) + " (nor may its folder be written)";
            temporary_.clear();
            return -1;
        }
        existing_ = file.fd;
        folder_.emplace();
        if (folder_->path().empty()) {
            error_ = folder_->error();
            temporary_.clear();
            return -1;
        }
        temporary_ = folder_->path() + "/output";
        made = createNewFile(temporary_, 0600);
    }
    if (made.fd < 0) {
        error_ = existing_ >= 0 || exists || !refusedByRights(made.error)
                     ? reason(made.error)
                     : "its folder refuses new files: " + reason(made.error);
        temporary_.clear();
        return -1;
    }
    registerForRemoval(temporary_);
    return made.fd;
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) (void)closeDescriptor(fd_);
    if (existing_ >= 0) (void)closeDescriptor(existing_);
    if (!temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
        unregisterForRemoval(temporary_);
    }
}

bool OutputFile::replaceInPlace() {
    int failure = copyContents(fd_, existing_);
    if (const int closed = closeDescriptor(existing_); closed != 0 && failure == 0)
        failure = closed;
    existing_ = -1;
    if (failure != 0) {
        error_ = reason(failure) + "; it may hold part of the output";
        return false;
    }
    return true;
}

bool OutputFile::failed(int error) {
    error_ = reason(error);
    return false;
}

bool OutputFile::commit() {
    if (fd_ < 0) return false;
    stream_.flush();
    if (const int failure = buffer_.error(); failure != 0) return failed(failure);
    if (temporary_.empty()) {
        const int closed = closeDescriptor(fd_);
        fd_ = -1;
        return closed == 0 || failed(closed);
    }
    std::error_code missing;
    if (existing_ < 0 && fs::is_regular_file(fs::status(target_, missing)) &&
        copyOwnerAndAttributes(target_, fd_) != 0) {
        // A new file would lose what this user cannot give it: the file stays, and only
        // its contents are replaced.
        const Descriptor file = openForWriting(target_);
        if (file.fd < 0) return failed(file.error);
        existing_ = file.fd;
    }
    // The temporary file goes with this object.
    if (existing_ >= 0) return replaceInPlace();
    const int closed = closeDescriptor(fd_);
    fd_ = -1;
    if (closed != 0) return failed(closed);
    std::error_code renamed;
    fs::rename(temporary_, target_, renamed);
    if (renamed) {
        error_ = renamed.message();
        return false;
    }
    unregisterForRemoval(temporary_);
    temporary_.clear();
    return true;
}

}  // namespace Tork::Subplay
