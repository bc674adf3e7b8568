// Only POSIX calls: stat, lstat, fstat, mkostemp, mkdtemp, open, read, write, lseek,
// ftruncate, fchown, fchmod, umask, close; and Linux's extended attributes.
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

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

std::optional<FileIdentity> descriptorFile(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return identity(status);
}

std::optional<FileIdentity> standardOutputFile() {
    return descriptorFile(STDOUT_FILENO);
}

std::optional<FileNode> nodeOf(const std::string& path, FollowLinks follow) {
    struct stat status {};
    const int looked =
        follow == FollowLinks::Yes ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status);
    if (looked != 0) return std::nullopt;
    FileNode node;
    node.kind = S_ISREG(status.st_mode)   ? FileNode::Kind::Regular
                : S_ISDIR(status.st_mode) ? FileNode::Kind::Folder
                : S_ISLNK(status.st_mode) ? FileNode::Kind::Link
                                          : FileNode::Kind::Other;
    node.mode = status.st_mode & 07777;
    node.user = status.st_uid;
    node.group = status.st_gid;
    node.links = status.st_nlink;
    return node;
}

std::uint32_t effectiveUser() {
    return ::geteuid();
}

namespace {

// The names of the extended attributes of `path`, each ended by a zero; empty when it has
// none or the file system keeps none.
std::vector<char> attributeNames(const std::string& path, int& error) {
    for (;;) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size <= 0) {
            error = size < 0 && errno != ENOTSUP ? lastError() : 0;
            return {};
        }
        std::vector<char> names(static_cast<std::size_t>(size));
        const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return names;
        }
        if (errno != ERANGE) {  // grown in between: ask again
            error = lastError();
            return {};
        }
    }
}

int copyAttribute(const std::string& path, const char* name, int fd) {
    for (;;) {
        const ssize_t size = ::getxattr(path.c_str(), name, nullptr, 0);
        if (size < 0) return errno == ENODATA ? 0 : lastError();  // gone meanwhile
        std::vector<char> value(static_cast<std::size_t>(size));
        const ssize_t got = ::getxattr(path.c_str(), name, value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return lastError();
        return ::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(got), 0) == 0
                   ? 0
                   : lastError();
    }
}

}  // namespace

int copyOwnerAndAttributes(const std::string& model, int fd) {
    struct stat wanted {
    }, made{};
    if (::stat(model.c_str(), &wanted) != 0 || ::fstat(fd, &made) != 0) return lastError();
    if ((wanted.st_uid != made.st_uid || wanted.st_gid != made.st_gid) &&
        ::fchown(fd, wanted.st_uid, wanted.st_gid) != 0)
        return lastError();
    // After the owner, which may clear the set-user and set-group bits; before the ACLs,
    // which set the group's bits from their mask.
    if (::fchmod(fd, wanted.st_mode & 07777) != 0) return lastError();
    int error = 0;
    const std::vector<char> names = attributeNames(model, error);
    std::vector<std::string_view> kept;
    for (std::size_t at = 0; error == 0 && at < names.size();) {
        kept.emplace_back(names.data() + at);
        error = copyAttribute(model, kept.back().data(), fd);
        at += kept.back().size() + 1;
    }
    if (error != 0) return error;
    // What the folder gave the new file (a default ACL) and the model lacks goes.
    std::vector<char> given(names.size() + 4096);
    const ssize_t size = ::flistxattr(fd, given.data(), given.size());
    if (size < 0) return errno == ENOTSUP ? 0 : lastError();
    for (std::size_t at = 0; at < static_cast<std::size_t>(size);) {
        const std::string_view name(given.data() + at);
        if (std::find(kept.begin(), kept.end(), name) == kept.end() &&
            ::fremovexattr(fd, name.data()) != 0)
            return lastError();
        at += name.size() + 1;
    }
    return 0;
}

int copyContents(int from, int to) {
    if (::lseek(from, 0, SEEK_SET) != 0) return lastError();
    char block[1 << 16];
    // The first block is read before `to` is truncated: a source that cannot be read
    // leaves it as it was.
    for (bool first = true;; first = false) {
        int error = 0;
        const std::int64_t got = readSome(from, block, sizeof block, error);
        if (got < 0) return error;
        if (first && (::lseek(to, 0, SEEK_SET) != 0 || ::ftruncate(to, 0) != 0)) return lastError();
        if (got == 0) return 0;
        for (std::int64_t done = 0; done < got;) {
            const ssize_t put = ::write(to, block + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno != EINTR) return lastError();
            done += put > 0 ? put : 0;
        }
    }
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
    // Readable too, so that what was written can be copied elsewhere.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
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
