#include "tools/subplay/TemporaryFiles.h"

#include "tools/subplay/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace Tork::Subplay::TemporaryFiles {

namespace {

// A signal handler may only read plain memory and call async-signal-safe functions, so the
// registry is fixed arrays, written before a slot is marked used.
constexpr std::size_t kSlots = 8;
constexpr std::size_t kPathBytes = 4096;
std::array<std::array<char, kPathBytes>, kSlots> paths{};
std::array<volatile std::sig_atomic_t, kSlots> used{};
std::array<volatile std::sig_atomic_t, 3> lineOpen{};

extern "C" void onFatalSignal(int signal) {
    // A folder goes once its files have gone, whatever slots they took.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t slot = 0; slot < kSlots; ++slot) {
            if (!used[slot]) continue;
            if (::unlink(paths[slot].data()) != 0) ::rmdir(paths[slot].data());
        }
    }
    for (int fd = 1; fd <= 2; ++fd) {
        if (lineOpen[static_cast<std::size_t>(fd)]) (void)!::write(fd, "\n", 1);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string reason(int error) {
    return std::strerror(error);
}

}  // namespace

void installSignalHandlers() {
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) std::signal(signal, onFatalSignal);
}

void registerPath(const std::string& path) {
    if (path.size() >= kPathBytes) return;
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        if (used[slot]) continue;
        std::memcpy(paths[slot].data(), path.c_str(), path.size() + 1);
        used[slot] = 1;
        return;
    }
}

void unregisterPath(const std::string& path) {
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const std::string_view registered = paths[slot].data();
        if (used[slot] && (registered == path ||
                           (registered.starts_with(path) && registered[path.size()] == '/'))) {
            used[slot] = 0;
        }
    }
}

void setLineOpen(int fd, bool open) {
    if (fd == 1 || fd == 2) lineOpen[static_cast<std::size_t>(fd)] = open;
}

PrivateFolder::PrivateFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "subplay-XXXXXX");
    if (error) pattern = "/tmp/subplay-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = "cannot make a temporary folder: " + reason(errno);
        return;
    }
    path_ = pattern;
    registerPath(path_);
}

PrivateFolder::~PrivateFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    unregisterPath(path_);
}

Kept keepStream(int fd, const PrivateFolder& folder, const std::string& name, std::int64_t limit) {
    if (folder.path().empty()) return {{}, folder.error()};
    const std::string path = folder.path() + "/" + name;
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file < 0) return {{}, "cannot keep it in a temporary file: " + reason(errno)};
    registerPath(path);
    DescriptorBuffer copy(file);
    std::string error;
    std::int64_t total = 0;
    char block[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = "cannot be read: " + reason(errno);
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
    if (::close(file) != 0 && error.empty()) {
        error = "cannot keep it in a temporary file: " + reason(errno);
    }
    if (error.empty()) return {path, {}};
    ::unlink(path.c_str());
    unregisterPath(path);
    return {{}, error};
}

}  // namespace Tork::Subplay::TemporaryFiles
