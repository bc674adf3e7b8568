// The settings the plug-in asks its host for, each made by a function that names it.
#include "host/HostSettings.h"

#include <utility>

namespace Tork::Host {

HostSetting makeHostSetting(std::string group, std::string key, SettingAnswer value) {
    return HostSetting(std::move(group), std::move(key), std::move(value));
}

namespace Settings {

HostSetting frameRateFramesPerSeconds(std::uint32_t frames, std::uint32_t seconds) {
    return makeHostSetting("FrameRate", "Ratio", Ratio{seconds, frames});
}

HostSetting lenientReading(bool on) {
    return makeHostSetting("MicroDVD", "Lenient", on);
}

HostSetting detectEncoding(bool on) {
    return makeHostSetting("CodePage", "Detect", on);
}

HostSetting codePageName(std::string name) {
    return makeHostSetting("CodePage", "Name", std::move(name));
}

HostSetting overrideEmbeddedSignature(bool ignore) {
    return makeHostSetting("CodePage", "OverrideEmbedded", ignore);
}

}  // namespace Settings
}  // namespace Tork::Host
