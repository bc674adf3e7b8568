// Only POSIX calls: stat, open, fstat, lseek, read, close and pthread_setcancelstate; the C
// library's fopen.
#include "platform/FileHandle.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace Tork {
namespace {

int openFlags(FileAccess access, FileCreation creation) {
    int flags = access == FileAccess::Read    ? O_RDONLY
                : access == FileAccess::Write ? O_WRONLY
                                              : O_RDWR;
    switch (creation) {
        case FileCreation::OpenExisting:
            break;
        case FileCreation::CreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case FileCreation::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case FileCreation::OpenAlways:
            flags |= O_CREAT;
            break;
    }
    // O_NONBLOCK keeps a FIFO from stalling the host's thread in open(); it changes
    // nothing for the regular files that are kept.
    return flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
}

}  // namespace

FileHandle FileHandle::open(const std::string& path, FileAccess access, FileCreation creation,
                            FileOpenFailure* failure) {
    const auto fail = [failure](FileOpenFailure::Kind kind, int error) {
        if (failure) *failure = {kind, static_cast<std::int32_t>(error)};
        return FileHandle();
    };
    const auto failWithErrno = [&fail](int error) {
        using Kind = FileOpenFailure::Kind;
        return fail(error == ENOENT || error == ENOTDIR ? Kind::NotFound
                    : error == EACCES || error == EPERM ? Kind::PermissionDenied
                                                        : Kind::Other,
                    error);
    };
    if (path.find('\0') != std::string::npos) return fail(FileOpenFailure::Kind::NotFound, 0);
    // Looked at before it is opened: opening a device can act on it (a watchdog, a tape).
    // Only a regular file, or a missing one that may be created, goes on.
    struct stat status;
    if (::stat(path.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return fail(FileOpenFailure::Kind::NotRegularFile, 0);
    } else if (errno != ENOENT || creation == FileCreation::OpenExisting) {
        return failWithErrno(errno);
    }
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), openFlags(access, creation), 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return failWithErrno(errno);
    FileHandle file(descriptor);
    // And again what was opened: the path may name something else by now.
    if (::fstat(descriptor, &status) != 0) return failWithErrno(errno);
    if (!S_ISREG(status.st_mode)) return fail(FileOpenFailure::Kind::NotRegularFile, 0);
    return file;
}

std::int64_t FileHandle::seek(std::int64_t offset, SeekOrigin origin) noexcept {
    if (!isOpen()) return -1;
    const int whence = origin == SeekOrigin::Start     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    return ::lseek(descriptor_, static_cast<off_t>(offset), whence);
}

std::int64_t FileHandle::read(void* buffer, std::size_t count) {
    if (!isOpen()) return -1;
    // One read() may stop short (signals, Linux's 2 GiB cap per call); keep going.
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(descriptor_, static_cast<char*>(buffer) + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

void FileHandle::close() noexcept {
    if (descriptor_ < 0) return;
    // close() is a cancellation point, and one cancelled there may leave the descriptor
    // open; unwinding from here (a destructor) would end the process.
    int state = PTHREAD_CANCEL_DISABLE;
    ::pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &state);
    ::close(std::exchange(descriptor_, -1));
    ::pthread_setcancelstate(state, nullptr);
}

std::FILE* openForAppending(const char* path) noexcept {
    return std::fopen(path, "a");
}

}  // namespace Tork
