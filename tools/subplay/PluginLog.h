// The plug-in's log lines on standard error, through the logging library beside it.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <string>

namespace Tork::Subplay {

/// Loads the logging library from the plug-in's folder (the file the plug-in binds, so
/// both share one configuration) and has it write to standard error. The library stays
/// loaded while this object lives.
class PluginLog {
public:
    /// enabled() is false, and error() says why, when the library is missing or lacks
    /// TorkLog_configure, or refuses the configuration. Lines go to `file` (appended), or
    /// to standard error when it is empty.
    explicit PluginLog(const std::string& pluginPath, const std::string& file = {});
    /// Turns logging off again (the library stays loaded while this object lives).
    void stop();

    bool enabled() const { return enabled_; }
    const std::string& error() const { return error_; }

    /// The library's path for a plug-in at `pluginPath`: same folder, or a bare name.
    static std::string libraryBeside(const std::string& pluginPath);

private:
    DynamicLibrary library_;
    std::int32_t (*configure_)(bool, const char*) = nullptr;
    bool enabled_ = false;
    std::string error_;
};

}  // namespace Tork::Subplay
