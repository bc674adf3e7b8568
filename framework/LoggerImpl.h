// The binding to the logging library's four entry points.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tork {

/// Either every entry point is bound or none is; a LoggerImpl is only handed out bound.
class LoggerImpl {
public:
    // The plug-in never configures; the entry only has to exist.
    using ConfigureEntry = void (*)();
    using CloseEntry = void (*)();
    using IsEnabledEntry = bool (*)();
    using WriteEntry = std::int32_t (*)(const char* category, const char* function,
                                        std::int32_t line, const char* format,
                                        std::va_list* arguments);

    LoggerImpl() = default;
    LoggerImpl(const LoggerImpl&) = delete;
    LoggerImpl& operator=(const LoggerImpl&) = delete;
    virtual ~LoggerImpl();

    /// Takes `library` and its four entry points. False when one is missing; the library is
    /// then dropped (unloaded unless someone else holds it) and every entry stays null.
    [[nodiscard]] bool bind(DynamicLibrary library);

    bool bound() const { return writeEntry_ != nullptr; }
    bool isEnabled() const { return isEnabledEntry_(); }
    void write(const char* category, const char* function, int line, const char* format,
               std::va_list* arguments) const {
        writeEntry_(category, function, line, format, arguments);
    }
    void close() const { closeEntry_(); }

private:
    void clear() noexcept;

    DynamicLibrary library_;
    ConfigureEntry configureEntry_ = nullptr;
    CloseEntry closeEntry_ = nullptr;
    IsEnabledEntry isEnabledEntry_ = nullptr;
    WriteEntry writeEntry_ = nullptr;
};

/// Binds the first of `candidates` that loads; that library decides. Null when none loads or
/// it lacks an entry point (it is unloaded again). Throws only std::bad_alloc.
std::unique_ptr<LoggerImpl> bindLoggingLibrary(const std::vector<std::string>& candidates);

/// Where the plug-in looks for the logging library: beside its own file, then by bare name
/// through the system's search order. Throws only std::bad_alloc.
std::vector<std::string> loggingLibraryCandidates();

}  // namespace Tork
