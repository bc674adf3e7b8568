// The front end of the optional logging library.
#pragma once

#include <memory>

namespace Tork {

class LoggerImpl;

/// Log calls go through Logger::instance()->write(...). When the logging library is
/// absent or incomplete, logging is off for the life of the process and write() returns
/// at once.
class Logger {
public:
    Logger() = default;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;
    virtual ~Logger();

    /// The process-wide logger, bound on first call. Null only if it could not be made.
    static Logger* instance();

    /// Passes the unformatted message to the library when it is bound and enabled.
    void write(const char* category, const char* function, int line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));

    /// Null when logging is off.
    LoggerImpl* impl() const { return impl_.get(); }

private:
    std::unique_ptr<LoggerImpl> impl_;
};

}  // namespace Tork
