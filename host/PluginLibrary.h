// Loads a plug-in library and makes components from it, as a player does.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Tork {
class Plugin;
class PluginHost;
}  // namespace Tork

namespace Tork::Host {

class PluginLibrary {
public:
    /// Loads `path`; loaded() is false, and error() says why, when it cannot be loaded or
    /// has no _getPlugin.
    explicit PluginLibrary(const std::string& path);

    bool loaded() const { return entry_ != nullptr; }
    const std::string& error() const { return error_; }

    /// A new component holding one reference, or null when the plug-in made none.
    Plugin* create(PluginHost* host, std::int32_t* result = nullptr) const;

    /// The library at `path`, loaded once and never unloaded: the plug-in keeps
    /// process-wide objects (its logger, its converter binding) that it does not free when
    /// unloaded, and leak reports at exit still need its symbols. One object per path.
    static const PluginLibrary& kept(const std::string& path);

    /// The first of `folders` (relative to the running program's folder, each ending in a
    /// separator or empty) that holds `file`; the first folder when none does.
    static std::string besideProgram(const std::string& file,
                                     const std::vector<std::string>& folders);

private:
    using Entry = std::int32_t (*)(PluginHost*, Plugin**);
    DynamicLibrary library_;
    Entry entry_ = nullptr;
    std::string error_;
};

}  // namespace Tork::Host
