#include "framework/Plugin.h"

#include "framework/PluginHost.h"

namespace Tork {

std::int32_t Plugin::retain() {
    return ++refCount_;
}

std::int32_t Plugin::release() {
    const std::int32_t count = --refCount_;
    if (count != 0) return count;
    PluginHost* host = host_;
    host->pluginDestroying(this);
    delete this;
    host->pluginDestroyed(this);  // identity only
    return 0;
}

}  // namespace Tork
