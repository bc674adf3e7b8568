// Files as a converter writes them, by the system's descriptors: which file a name leads to,
// files made exclusively with their permissions, and private folders. Errors are the
// system's error numbers, which std::strerror names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <streambuf>
#include <string>

namespace Tork {

/// Which file a name leads to: the same for every name and link of one file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

/// The file `path` leads to, links followed; nothing when it cannot be looked at.
std::optional<FileIdentity> identityOf(const std::string& path);
/// The regular file descriptor `fd` writes to; nothing for a terminal, a pipe, a device or
/// a descriptor that is not open.
std::optional<FileIdentity> descriptorFile(int fd);
/// The regular file standard output writes to; nothing for a terminal, a pipe or a device.
std::optional<FileIdentity> standardOutputFile();

/// What a replacement must keep of a file, and what decides whether a link is followed.
struct FileNode {
    enum class Kind { Regular, Folder, Link, Other };
    Kind kind = Kind::Other;
    std::uint32_t mode = 0;  // permission bits, with set-user, set-group and sticky
    std::uint32_t user = 0;
    std::uint32_t group = 0;
    std::uint64_t links = 0;  // names the file has
};
enum class FollowLinks { No, Yes };
/// The node `path` names, or leads to when `follow` is Yes; nothing when it cannot be
/// looked at.
std::optional<FileNode> nodeOf(const std::string& path, FollowLinks follow);
/// The user whose rights the process has.
std::uint32_t effectiveUser();

/// An open descriptor, or the system's error number for why there is none.
struct Descriptor {
    int fd = -1;
    int error = 0;
};

/// A new file named by `pattern`, whose trailing "XXXXXX" is replaced with what makes a name
/// no file has (`pattern` then holds it), with mode `permissions` less the umask.
Descriptor createUniqueFile(std::string& pattern, std::uint32_t permissions);
/// A new file `path`, which must not exist, with mode `permissions` less the umask, open for
/// reading and writing.
Descriptor createNewFile(const std::string& path, std::uint32_t permissions);
/// The existing `path` opened for writing as it is, nothing made or truncated: a device, or a
/// FIFO, which waits for a reader.
Descriptor openForWriting(const std::string& path);
/// A new folder (mode 0700) named by `pattern` as createUniqueFile() names files; 0 or the
/// system's error number.
int createPrivateFolder(std::string& pattern);

/// Gives the file open at `fd` the owner, group, permissions and extended attributes (ACLs
/// among them) of the file `model` names: 0, or the system's error number for the first
/// that could not be given, when the new file would differ from `model`.
int copyOwnerAndAttributes(const std::string& model, int fd);
/// Replaces what `to` holds with what `from` holds from its start: `to` truncated, then
/// written. 0 or the system's error number.
int copyContents(int from, int to);

/// Reads up to `size` bytes, again when a signal interrupts: the count, 0 at the end, or -1
/// with `error` set.
std::int64_t readSome(int fd, void* buffer, std::size_t size, int& error);
/// Each answers 0 or the system's error number.
int setPermissions(int fd, std::uint32_t permissions);
int closeDescriptor(int fd);

/// A stream buffer that hands everything straight to a descriptor (its writers buffer their
/// own output) and remembers the system's reason for the first write that failed; later
/// writes are dropped. It neither opens nor closes the descriptor.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) {}
    /// The error number of the first failed write, 0 when none failed.
    int error() const { return error_; }

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;

private:
    int fd_;
    int error_ = 0;
};

}  // namespace Tork
