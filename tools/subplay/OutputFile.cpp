#include "tools/subplay/OutputFile.h"

#include "platform/FatalSignals.h"

#include <cstring>
#include <filesystem>

namespace Tork::Subplay {

namespace {

namespace fs = std::filesystem;

int openOutput(const std::string& target, std::string& temporary, std::string& error) {
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
