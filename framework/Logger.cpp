// The front end of the optional logging library and the process-wide logger.
#include "framework/Logger.h"

#include "framework/LoggerImpl.h"

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <new>

namespace Tork {

namespace {

constinit std::atomic<Logger*> processLogger{nullptr};
// Constant-initialised where the system's lock allows it (not with mingw's threads).
std::mutex making;
// Answers while memory for the real one cannot be had; it never logs.
constinit Logger offLogger;

enum class Made { Already, Bound, Off, NoMemory };

// Null candidates mean the usual places.
Made makeProcessLogger(const std::vector<std::string>* candidates) noexcept {
    const std::lock_guard lock(making);
    if (processLogger.load(std::memory_order_relaxed)) return Made::Already;
    try {
        auto impl = bindLoggingLibrary(candidates ? *candidates : loggingLibraryCandidates());
        const bool bound = impl != nullptr;
        // Lives until the plug-in is unloaded (see ProcessLoggerRelease).
        processLogger.store(new Logger(std::move(impl)), std::memory_order_release);
        return bound ? Made::Bound : Made::Off;
    } catch (const std::bad_alloc&) {
        return Made::NoMemory;
    }
}

// Frees the process-wide logger when the plug-in is unloaded, so a host that loads and
// unloads it leaks nothing. The log is not closed: the host may still be writing to it.
struct ProcessLoggerRelease {
    ~ProcessLoggerRelease() {
        if (Logger* logger = processLogger.exchange(nullptr)) {
            logger->unbind();
            delete logger;
        }
    }
} processLoggerRelease;

}  // namespace

Logger::Logger(std::unique_ptr<LoggerImpl> impl) : impl_(std::move(impl)) {}

Logger::~Logger() {
    if (impl_) impl_->close();
}

Logger* Logger::instance() {
    if (Logger* logger = processLogger.load(std::memory_order_acquire)) return logger;
    makeProcessLogger(nullptr);
    Logger* logger = processLogger.load(std::memory_order_acquire);
    return logger ? logger : &offLogger;
}

void Logger::unbind() noexcept {
    impl_.reset();
}

bool Logger::install(const std::vector<std::string>& candidates) {
    return makeProcessLogger(&candidates) == Made::Bound;
}

void Logger::write(const char* category, const char* function, int line, const char* format, ...) {
    const LoggerImpl* impl = impl_.get();
    if (!impl || !impl->isEnabled()) return;
    std::va_list arguments;
    va_start(arguments, format);
    impl->write(category, function, line, format, &arguments);
    va_end(arguments);
}

}  // namespace Tork
