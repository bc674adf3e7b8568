#include "tools/subplay/TemporaryFiles.h"

#include "platform/FatalSignals.h"
#include "platform/FileSystem.h"
#include "text/Utf.h"

#include <cstring>
#include <filesystem>

namespace Tork::Subplay::TemporaryFiles {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

}  // namespace

PrivateFolder::PrivateFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "subplay-XXXXXX");
    if (error) pattern = "/tmp/subplay-XXXXXX";
    if (const int failure = createPrivateFolder(pattern); failure != 0) {
        error_ = "cannot make a temporary folder: " + reason(failure);
        return;
    }
    path_ = pattern;
    registerForRemoval(path_);
}

PrivateFolder::~PrivateFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    unregisterForRemoval(path_);
}

Kept keepStream(int fd, const PrivateFolder& folder, const std::string& name, std::int64_t limit) {
    if (folder.path().empty()) return {{}, folder.error()};
    const std::string path = folder.path() + "/" + name;
    const Descriptor file = createNewFile(path, 0600);
    if (file.fd < 0) return {{}, "cannot keep it in a temporary file: " + reason(file.error)};
    registerForRemoval(path);
    DescriptorBuffer copy(file.fd);
    std::string error;
    std::int64_t total = 0;
    char block[1 << 16];
    for (;;) {
        int failure = 0;
        const std::int64_t got = readSome(fd, block, sizeof block, failure);
        if (got < 0) {
            error = "cannot be read: " + reason(failure);
            break;
        }
        if (got == 0) break;
        total += got;
        if (total > limit) {
            error =
                "holds more than " + std::to_string(limit) + " bytes, the most the plug-in reads";
            break;
        }
        if (copy.sputn(block, got) != got) {
            error = "cannot keep it in a temporary file: " + reason(copy.error());
            break;
        }
    }
    if (const int failure = closeDescriptor(file.fd); failure != 0 && error.empty()) {
        error = "cannot keep it in a temporary file: " + reason(failure);
    }
    if (error.empty()) return {path, {}};
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    unregisterForRemoval(path);
    return {{}, error};
}

Kept linkTo(const std::string& path, const PrivateFolder& folder) {
    if (folder.path().empty()) return {{}, folder.error()};
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target = fs::absolute(path, error);
    std::string name = replaceIllFormedUtf8(fs::path(path).filename().string());
    if (name.empty() || name == "." || name == "..") name = "input";
    const std::string link = folder.path() + "/" + name;
    if (!error) fs::create_symlink(target, link, error);
    if (error) return {{}, "cannot be opened through a link of a UTF-8 name: " + error.message()};
    registerForRemoval(link);
    return {link, {}};
}

}  // namespace Tork::Subplay::TemporaryFiles
