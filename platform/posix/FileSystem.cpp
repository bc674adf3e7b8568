// Only POSIX calls: stat, fstat, mkostemp, mkdtemp, open, read, write, fchmod, umask, close.
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace Tork {

namespace {

FileIdentity identity(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// An error number that is never 0, for a call that failed.
int lastError() {
    return errno != 0 ? errno : EIO;
}

}  // namespace

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return identity(status);
}

std::optional<FileIdentity> standardOutputFile() {
    struct stat status {};
    if (::fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return identity(status);
}

Descriptor createUniqueFile(std::string& pattern, std::uint32_t permissions) {
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return {-1, lastError()};
    // mkostemp makes the file 0600, whatever the umask says.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, static_cast<mode_t>(permissions) & ~mask);
    return {fd, 0};
}

Descriptor createNewFile(const std::string& path, std::uint32_t permissions) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          static_cast<mode_t>(permissions));
    return fd < 0 ? Descriptor{-1, lastError()} : Descriptor{fd, 0};
}

Descriptor openForWriting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    return fd < 0 ? Descriptor{-1, lastError()} : Descriptor{fd, 0};
}

int createPrivateFolder(std::string& pattern) {
    return ::mkdtemp(pattern.data()) == nullptr ? lastError() : 0;
}

std::int64_t readSome(int fd, void* buffer, std::size_t size, int& error) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0) return got;
        if (errno != EINTR) {
            error = lastError();
            return -1;
        }
    }
}

int setPermissions(int fd, std::uint32_t permissions) {
    return ::fchmod(fd, static_cast<mode_t>(permissions)) == 0 ? 0 : lastError();
}

int closeDescriptor(int fd) {
    return ::close(fd) == 0 ? 0 : lastError();
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
    for (std::streamsize done = 0; done < size && error_ == 0;) {
        const ssize_t put = ::write(fd_, data + done, static_cast<std::size_t>(size - done));
        if (put < 0 && errno != EINTR) error_ = lastError();
        done += put > 0 ? put : 0;
    }
    return error_ == 0 ? size : 0;
}

int DescriptorBuffer::overflow(int c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

}  // namespace Tork
