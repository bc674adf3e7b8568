// Only POSIX calls: unlink, rmdir and write, which a signal handler may make.
#include "platform/FatalSignals.h"

#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>
#include <string_view>

namespace Tork {

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
    for (int fd = STDOUT_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (lineOpen[static_cast<std::size_t>(fd)]) (void)!::write(fd, "\n", 1);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void cleanUpOnFatalSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) std::signal(signal, onFatalSignal);
}

void registerForRemoval(const std::string& path) {
    if (path.size() >= kPathBytes) return;
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        if (used[slot]) continue;
        std::memcpy(paths[slot].data(), path.c_str(), path.size() + 1);
        used[slot] = 1;
        return;
    }
}

void unregisterForRemoval(const std::string& path) {
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const std::string_view registered = paths[slot].data();
        if (used[slot] && (registered == path ||
                           (registered.starts_with(path) && registered[path.size()] == '/'))) {
            used[slot] = 0;
        }
    }
}

void setLineOpen(StandardStream stream, bool open) {
    if (stream == StandardStream::Output) lineOpen[STDOUT_FILENO] = open;
    if (stream == StandardStream::Error) lineOpen[STDERR_FILENO] = open;
}

}  // namespace Tork
