// Standard input kept in a private temporary file, which goes on every exit: a normal one
// and every signal that ends the process.
#pragma once

#include <cstdint>
#include <string>

namespace Tork::Subplay::TemporaryFiles {

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

/// A symbolic link in `folder` to the file `path` names, under its name made well-formed
/// UTF-8 (each ill-formed part a U+FFFD): the link's path, or the system's reason.
Kept linkTo(const std::string& path, const PrivateFolder& folder);

}  // namespace Tork::Subplay::TemporaryFiles
