// The logging library's entry points: one destination, one lock, whole lines.
#include "logging/TorkLog.h"

#include "logging/LogLine.h"
#include "platform/FileHandle.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <utility>

namespace {

// Members are trivially destructible, so a write during process exit still finds them.
std::mutex lock;  // constant-initialised where the system allows (not with mingw)
constinit std::atomic<bool> enabled{false};
constinit std::FILE* file = nullptr;  // under `lock`; null means standard error

void closeFile(std::FILE* closing) {
    if (closing) std::fclose(closing);
}

// A host that unloads the library without closing it still gets its file flushed.
struct CloseOnUnload {
    ~CloseOnUnload() { TorkLog_close(); }
} closeOnUnload;

}  // namespace

extern "C" {

TORKLOG_API int32_t TorkLog_configure(bool on, const char* path) {
    std::FILE* opened = nullptr;
    if (path && *path) {
        opened = Tork::openForAppending(path);
        if (!opened) return TORKLOG_FAILED;
    }
    std::FILE* previous;
    {
        const std::lock_guard guard(lock);
        previous = std::exchange(file, opened);
        enabled.store(on, std::memory_order_relaxed);
    }
    closeFile(previous);
    return TORKLOG_OK;
}

TORKLOG_API void TorkLog_close(void) {
    std::FILE* previous;
    {
        const std::lock_guard guard(lock);
        enabled.store(false, std::memory_order_relaxed);
        previous = std::exchange(file, nullptr);
        if (!previous) std::fflush(stderr);
    }
    closeFile(previous);
}

TORKLOG_API bool TorkLog_isEnabled(void) {
    return enabled.load(std::memory_order_relaxed);
}

TORKLOG_API int32_t TorkLog_write(const char* category, const char* function, int32_t line,
                                  const char* format, va_list* arguments) {
    if (!enabled.load(std::memory_order_relaxed)) return TORKLOG_OK;
    try {
        const auto message = Tork::Logging::formatMessage(format, arguments);
        if (!message) return TORKLOG_FAILED;
        const std::string text = Tork::Logging::composeLine(std::chrono::system_clock::now(),
                                                            category, function, line, *message);
        // One write of the whole line under the lock: lines never interleave.
        const std::lock_guard guard(lock);
        if (!enabled.load(std::memory_order_relaxed)) return TORKLOG_OK;
        std::FILE* target = file ? file : stderr;
        const bool written = std::fwrite(text.data(), 1, text.size(), target) == text.size();
        return written && std::fflush(target) == 0 ? TORKLOG_OK : TORKLOG_FAILED;
    } catch (...) {
        // A thread cancelled in the write unwinds with no C++ exception: swallowed, it would
        // abort the process.
        if (!std::current_exception()) throw;
        // Nothing else may be thrown into the caller; out of memory costs this one line.
        return TORKLOG_FAILED;
    }
}

}  // extern "C"
