// Loads a plug-in library and makes components from it, as a player does.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tork {
class Plugin;
class PluginHost;
}  // namespace Tork

namespace Tork::Host {

/// A loaded plug-in library. The component's code lives in it, and so does the code that
/// ends a chunk: every chunk of a component must be released before the library is
/// unloaded. Copies share one load, and keepLoaded() hands out a share that sessions and
/// their chunks hold, so the library is unloaded only when the last of them goes.
class PluginLibrary {
public:
    /// Loads `path`; loaded() is false, and error() says why, when it cannot be loaded or
    /// has no _getPlugin.
    explicit PluginLibrary(const std::string& path);

    /// A share of the load: the library stays loaded while it lives. Null when not loaded.
    std::shared_ptr<const void> keepLoaded() const { return entry_ ? library_ : nullptr; }

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
    std::shared_ptr<const DynamicLibrary> library_;
    Entry entry_ = nullptr;
    std::string error_;
};

}  // namespace Tork::Host
