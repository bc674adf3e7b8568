// A PluginHost that answers checkFormat as configured and records its callbacks.
#pragma once

#include "framework/PluginHost.h"

#include <mutex>
#include <string>
#include <vector>

namespace Tork::Host {

class RecordingPluginHost : public PluginHost {
public:
    enum class Event { Destroying, Destroyed };
    struct Record {
        Event event;
        const Plugin* plugin;
    };

    explicit RecordingPluginHost(bool acceptFormats = true) : acceptFormats_(acceptFormats) {}

    void setAcceptFormats(bool accept) { acceptFormats_ = accept; }

    bool checkFormat(const String& name) override;
    void pluginDestroying(Plugin* plugin) override;
    void pluginDestroyed(Plugin* plugin) override;

    std::vector<Record> records() const;
    std::vector<std::string> formatsChecked() const;

private:
    mutable std::mutex mutex_;
    bool acceptFormats_;
    std::vector<Record> records_;
    std::vector<std::string> formatsChecked_;
};

}  // namespace Tork::Host
