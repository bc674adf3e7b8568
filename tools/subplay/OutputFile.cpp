#include "tools/subplay/OutputFile.h"

#include "tools/subplay/TemporaryFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Tork::Subplay {

bool DescriptorBuffer::writeAll(const char* data, std::size_t size) {
    while (size > 0 && error_ == 0) {
        const ssize_t put = ::write(fd_, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) {
            error_ = errno;
            break;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return error_ == 0;
}

int DescriptorBuffer::sync() {
    const bool written = writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return written ? 0 : -1;
}

int DescriptorBuffer::overflow(int c) {
    if (sync() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
    if (size <= epptr() - pptr()) {
        std::memcpy(pptr(), data, static_cast<std::size_t>(size));
        pbump(static_cast<int>(size));
        return size;
    }
    if (sync() != 0 || !writeAll(data, static_cast<std::size_t>(size))) return 0;
    return size;
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
    buffer_.discard();  // its descriptor closes here
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
