// Only POSIX calls: sigaction, and unlink, rmdir, write and raise, which a signal handler may
// make.
#include "platform/FatalSignals.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string_view>
#include <vector>

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
    // The signal stays blocked until the handler returns; it then ends the process as it
    // would have, status and core dump alike.
    struct sigaction fatal {};
    fatal.sa_handler = SIG_DFL;
    ::sigemptyset(&fatal.sa_mask);
    ::sigaction(signal, &fatal, nullptr);
    ::raise(signal);
}

// Every signal whose default action ends the process, but those a fault of the program
// raises (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS): after a fault the
// registry itself is not to be trusted, and sanitizers report those.
std::vector<int> endingSignals() {
    std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE, SIGALRM, SIGTERM,  SIGUSR1,
                                SIGUSR2, SIGXCPU, SIGXFSZ, SIGPROF, SIGPOLL, SIGVTALRM};
#ifdef SIGPWR
    signals.push_back(SIGPWR);
#endif
#ifdef SIGSTKFLT
    signals.push_back(SIGSTKFLT);
#endif
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) signals.push_back(signal);
    return signals;
}

}  // namespace

void cleanUpOnFatalSignals() {
    const std::vector<int> signals = endingSignals();
    struct sigaction cleanUp {};
    cleanUp.sa_handler = onFatalSignal;
    // One clean-up at a time: a second signal waits until the first has ended the process.
    ::sigemptyset(&cleanUp.sa_mask);
    for (const int signal : signals) ::sigaddset(&cleanUp.sa_mask, signal);
    for (const int signal : signals) {
        struct sigaction before {};
        // A signal ignored when the program started stays ignored, as nohup and a shell's
        // background jobs ask.
        if (::sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &cleanUp, nullptr);
    }
}

void registerForRemoval(const std::string& path) {
    if (path.size() >= kPathBytes) return;
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        if (used[slot]) continue;
        std::memcpy(paths[slot].data(), path.c_str(), path.size() + 1);
        // The path is whole before a handler can see the slot in use.
        std::atomic_signal_fence(std::memory_order_seq_cst);
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
