#include "host/RecordingPluginHost.h"

namespace Tork::Host {

bool RecordingPluginHost::checkFormat(const String& name) {
    std::lock_guard guard(mutex_);
    formatsChecked_.emplace_back(name.text());
    return acceptFormats_;
}

void RecordingPluginHost::pluginDestroying(Plugin* plugin) {
    std::lock_guard guard(mutex_);
    records_.push_back({Event::Destroying, plugin});
}

void RecordingPluginHost::pluginDestroyed(Plugin* plugin) {
    std::lock_guard guard(mutex_);
    records_.push_back({Event::Destroyed, plugin});
}

std::vector<RecordingPluginHost::Record> RecordingPluginHost::records() const {
    std::lock_guard guard(mutex_);
    return records_;
}

std::vector<std::string> RecordingPluginHost::formatsChecked() const {
    std::lock_guard guard(mutex_);
    return formatsChecked_;
}

}  // namespace Tork::Host
