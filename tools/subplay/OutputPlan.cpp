#include "tools/subplay/OutputPlan.h"

#include "host/UrlLocation.h"
#include "platform/FileSystem.h"
#include "text/FileUrl.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <system_error>

namespace Tork::Subplay {

namespace {

namespace fs = std::filesystem;

// The local path an input names, or nothing for standard input and other URLs.
std::optional<std::string> localPath(const std::string& input) {
    if (input == "-") return std::nullopt;
    if (Host::isUrl(input)) return filePathFromUrl(input);
    return input;
}

bool isAnInput(const FileIdentity& file, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        const auto path = localPath(input);
        if (path && identityOf(*path) == file) return true;
    }
    return false;
}

// A link in a sticky, world-writable folder (/tmp) that neither the follower nor the
// folder's owner made: another user may have planted it to turn a write elsewhere. The
// kernel's protected_symlinks refuses to follow it, so the shell's `>` fails there too.
bool plantedLink(const std::string& link) {
    const auto node = nodeOf(link, FollowLinks::No);
    const auto folder =
        nodeOf(fs::path(link).parent_path().empty() ? std::string(".")
                                                    : fs::path(link).parent_path().string(),
               FollowLinks::Yes);
    if (!node || !folder || node->kind != FileNode::Kind::Link) return false;
    constexpr std::uint32_t sticky = 01000, othersWrite = 0002;
    return (folder->mode & sticky) && (folder->mode & othersWrite) && node->user != folder->user &&
           node->user != effectiveUser();
}

// The first link on the way from `path` to its file that plantedLink() refuses.
std::optional<std::string> plantedLinkOnTheWay(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(path, error)) return std::nullopt;
        if (plantedLink(path)) return path;
        const fs::path next = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = (next.is_absolute() ? next : fs::path(path).parent_path() / next).string();
    }
    return std::nullopt;
}

// Whether `folder` is this process's /proc/PID/fd (or its thread's).
bool ownDescriptorFolder(const fs::path& folder) {
    if (folder.filename() != "fd") return false;
    const auto process = identityOf(folder.parent_path().string());
    return process &&
           (process == identityOf("/proc/self") || process == identityOf("/proc/thread-self"));
}

std::optional<int> descriptorNumber(const std::string& name) {
    int fd = -1;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), fd);
    if (name.empty() || error != std::errc() || end != name.data() + name.size() || fd < 0)
        return std::nullopt;
    return fd;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string outputIn(const std::string& folder, const std::string& input, OutputFormat format) {
    std::string name = input == "-" ? "stdin" : input;
    if (Host::isUrl(name)) {
        name = filePathFromUrl(name).value_or(std::string(withoutQueryOrFragment(name)));
    }
    name = name.substr(name.find_last_of('/') + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return folder + (name.empty() ? "subtitles" : name) + std::string(extensionOf(format));
}

std::optional<SharedOutput> sharedOutput(const std::vector<std::string>& inputs,
                                         const std::vector<std::string>& outputs) {
    std::map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto [at, fresh] = seen.emplace(outputs[i], i);
        if (!fresh) return SharedOutput{outputs[i], inputs[at->second], inputs[i]};
    }
    return std::nullopt;
}

std::optional<std::string> missingFolder(const std::string& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (error) return error.message();
    if (!fs::is_directory(status))
        return std::make_error_code(std::errc::not_a_directory).message();
    return std::nullopt;
}

TargetVerdict checkTarget(const std::string& target, const std::vector<std::string>& inputs,
                          Overwrite overwrite) {
    if (const auto link = plantedLinkOnTheWay(target)) {
        return {TargetCheck::Refuse,
                (*link == target ? std::string("is") : *link + " is") +
                    " a link in a sticky, world-writable folder, made by neither you nor the "
                    "folder's owner; it is not followed (the kernel's protected_symlinks rule "
                    "refuses the shell's > there too)"};
    }
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (error) {
        if (error != std::errc::no_such_file_or_directory)
            return {TargetCheck::Refuse, error.message()};
        if (const auto why = missingFolder(folderOf(target))) {
            return {TargetCheck::Refuse, "no folder " + folderOf(target) + ": " + *why};
        }
        return {};
    }
    if (const auto file = identityOf(target); file && isAnInput(*file, inputs)) {
        return {TargetCheck::Refuse, "is an input; it is never written over"};
    }
    if (fs::is_directory(status)) return {TargetCheck::Refuse, "is a folder"};
    // Only a regular file can be lost: a device or a FIFO (/dev/null, /dev/stdout) takes the
    // output as the shell's `>` gives it, whatever -y and -n say.
    if (!fs::is_regular_file(status)) return {};
    switch (overwrite) {
        case Overwrite::Always:
            return {};
        case Overwrite::Never:
            return {TargetCheck::Skip, "exists; kept (-n)"};
        case Overwrite::Refuse:
            break;
    }
    return {TargetCheck::Refuse, "exists; -y replaces it"};
}

bool standardOutputIsInput(const std::vector<std::string>& inputs) {
    const auto output = standardOutputFile();
    return output && isAnInput(*output, inputs);
}

bool descriptorIsInput(int fd, const std::vector<std::string>& inputs) {
    const auto output = descriptorFile(fd);
    return output && isAnInput(*output, inputs);
}

std::optional<int> ownDescriptor(const std::string& target) {
    if (target == "-") return 1;
    fs::path path = target;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        path = fs::absolute(path, error).lexically_normal();
        if (error) return std::nullopt;
        // /dev/fd is itself a link to /proc/self/fd, and /proc/self one to /proc/PID.
        const fs::path folder = fs::weakly_canonical(path.parent_path(), error);
        if (!error && ownDescriptorFolder(folder))
            return descriptorNumber(path.filename().string());
        if (!fs::is_symlink(path, error)) return std::nullopt;
        const fs::path next = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::nullopt;
}

}  // namespace Tork::Subplay
