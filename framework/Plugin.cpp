#include "framework/Plugin.h"

#include "framework/OrOnException.h"
#include "framework/PluginHost.h"

namespace Tork {

std::int32_t Plugin::retain() {
    return ++refCount_;
}

std::int32_t Plugin::release() {
    const std::int32_t count = --refCount_;
    if (count != 0) return count;
    PluginHost* host = host_;
    // The object goes whatever the host's callbacks do; what they throw stays here.
    orOnException([&] { host->pluginDestroying(this); });
    delete this;
    orOnException([&] { host->pluginDestroyed(this); });  // identity only
    return 0;
}

}  // namespace Tork
