// Temporary files that go on every exit: a normal one and SIGINT, SIGTERM or SIGPIPE.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Tork::Subplay::TemporaryFiles {

/// Has SIGINT, SIGTERM and SIGPIPE remove every registered path, end an open status line
/// with a line feed, then end the process as the signal would have.
void installSignalHandlers();

/// Registers `path` (a file, or a folder of registered files) for removal at a fatal
/// signal; unregisterPath() once it is gone or kept, which also drops the paths inside it. Paths
/// longer than the registry holds, or more of them than it has room for, are not registered;
/// removal then waits for a normal exit.
void registerPath(const std::string& path);
void unregisterPath(const std::string& path);

/// Whether standard output (1) or standard error (2) ends in a status line without a line
/// feed, which a fatal signal must end.
void setLineOpen(int fd, bool open);

/// A private folder (mode 0700) under the system's temporary folder, removed with its
/// files when this object goes and at a fatal signal.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    /// Empty, with error() saying why, when the folder could not be made.
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

private:
    std::string path_;
    std::string error_;
};

/// Copies what `fd` holds into a new file (mode 0600) named `name` in `folder`, stopping
/// once it holds more than `limit` bytes. The file's path, or an error message: the
/// system's reason, or the limit exceeded.
struct Kept {
    std::string path;
    std::string error;
};
Kept keepStream(int fd, const PrivateFolder& folder, const std::string& name, std::int64_t limit);

}  // namespace Tork::Subplay::TemporaryFiles
