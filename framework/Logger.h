// The front end of the optional logging library.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Tork {

class LoggerImpl;

/// Log calls go through Logger::instance()->write(...). When the logging library is
/// absent or incomplete, logging is off for the life of the process and write() returns
/// at once.
class Logger {
public:
    constexpr Logger() = default;
    /// A logger over `impl`; null makes it off.
    explicit Logger(std::unique_ptr<LoggerImpl> impl);
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;
    /// Closes the library's log when bound.
    virtual ~Logger();

    /// The process-wide logger, bound on first call. Never null: should memory run out
    /// before it exists, an off logger answers and a later call tries again.
    static Logger* instance();

    /// Makes the process-wide logger from `candidates` instead of the usual places. False
    /// when it exists already (left as it is) or none of them could be bound (then it stays
    /// off for the life of the process).
    static bool install(const std::vector<std::string>& candidates);

    /// Passes the unformatted message to the library when it is bound and enabled.
    void write(const char* category, const char* function, int line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));

    /// Null when logging is off.
    LoggerImpl* impl() const { return impl_.get(); }

    /// Drops the binding without closing the library's log; logging is off afterwards.
    void unbind() noexcept;

private:
    std::unique_ptr<LoggerImpl> impl_;
};

}  // namespace Tork
