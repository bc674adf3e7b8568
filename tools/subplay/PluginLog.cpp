#include "tools/subplay/PluginLog.h"

#include "logging/TorkLog.h"
#include "platform/LibraryNames.h"

namespace Tork::Subplay {

std::string PluginLog::libraryBeside(const std::string& pluginPath) {
    const std::string file = LibraryNames::sharedLibrary("Tork_Logging");
    const auto slash = pluginPath.rfind('/');
    return slash == std::string::npos ? file : pluginPath.substr(0, slash + 1) + file;
}

PluginLog::PluginLog(const std::string& pluginPath, const std::string& file)
    : library_(libraryBeside(pluginPath)) {
    const std::string path = libraryBeside(pluginPath);
    if (!library_.loaded()) {
        error_ = "cannot load " + path;
        return;
    }
    using Configure = decltype(&TorkLog_configure);
    configure_ = reinterpret_cast<Configure>(library_.symbol("TorkLog_configure"));
    if (!configure_) {
        error_ = path + " has no TorkLog_configure";
        return;
    }
    if (configure_(/*enabled*/ true, file.empty() ? nullptr : file.c_str()) != TORKLOG_OK) {
        error_ = path + " refused to log to " + (file.empty() ? "standard error" : file);
        return;
    }
    enabled_ = true;
}

void PluginLog::stop() {
    if (enabled_) configure_(/*enabled*/ false, nullptr);
    enabled_ = false;
}

}  // namespace Tork::Subplay
