#include "tools/subplay/OutputFile.h"

#include "tools/subplay/TemporaryFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Tork::Subplay {

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
    for (std::streamsize done = 0; done < size && error_ == 0;) {
        const ssize_t put = ::write(fd_, data + done, static_cast<std::size_t>(size - done));
        if (put < 0 && errno != EINTR) error_ = errno;
        done += put > 0 ? put : 0;
    }
    return error_ == 0 ? size : 0;
}

int DescriptorBuffer::overflow(int c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

namespace {

int openBeside(const std::string& target, std::string& temporary, std::string& error) {
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    // A dot file, so that a half-written output never looks like a finished one.
    temporary = folder + ".subplay-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        temporary.clear();
        return -1;
    }
    TemporaryFiles::registerPath(temporary);
    // mkostemp makes the file 0600; an output is as readable as any file the user makes.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, 0666 & ~mask);
    return fd;
}

}  // namespace

OutputFile::OutputFile(std::string target)
    : target_(std::move(target)),
      fd_(openBeside(target_, temporary_, error_)),
      buffer_(fd_),
      stream_(&buffer_) {}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        TemporaryFiles::unregisterPath(temporary_);
    }
}

bool OutputFile::commit() {
    if (fd_ < 0) return false;
    stream_.flush();
    int failure = buffer_.error();
    struct stat existing {};
    if (failure == 0 && ::stat(target_.c_str(), &existing) == 0) {
        if (::fchmod(fd_, existing.st_mode & 07777) != 0) failure = errno;
    }
    if (::close(fd_) != 0 && failure == 0) failure = errno;
    fd_ = -1;
    if (failure == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) failure = errno;
    if (failure != 0) {
        error_ = std::strerror(failure);
        return false;
    }
    TemporaryFiles::unregisterPath(temporary_);
    temporary_.clear();
    return true;
}

}  // namespace Tork::Subplay
