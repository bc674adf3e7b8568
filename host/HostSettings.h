// The settings the plug-in asks its host for, each made by a function that names it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace Tork::Host {

/// A frame rate: `frames` per `seconds` (23.976 fps: 24000, 1001).
struct FrameRatio {
    std::uint32_t frames;
    std::uint32_t seconds;
    bool operator==(const FrameRatio&) const = default;
};

/// The rate the plug-in counts frames at when neither the file nor its host names one;
/// a tool that needs a rate where none was read takes the same.
inline constexpr FrameRatio defaultFrameRate{24000, 1001};

/// A ratio answer as the plug-in reads it: first the denominator, then the numerator.
struct Ratio {
    std::uint32_t first;
    std::uint32_t second;
};
/// An answer of type 1 (boolean), 8 (ratio) or 11 (text).
using SettingAnswer = std::variant<bool, Ratio, std::string>;

/// One setting with its answer. Made only by the functions of Settings, so that a misspelt
/// group or key, or an answer of the wrong type, does not compile.
class HostSetting {
public:
    const std::string& group() const { return group_; }
    const std::string& key() const { return key_; }
    const SettingAnswer& value() const { return value_; }

private:
    friend HostSetting makeHostSetting(std::string group, std::string key, SettingAnswer value);
    HostSetting(std::string group, std::string key, SettingAnswer value)
        : group_(std::move(group)), key_(std::move(key)), value_(std::move(value)) {}

    std::string group_;
    std::string key_;
    SettingAnswer value_;
};

HostSetting makeHostSetting(std::string group, std::string key, SettingAnswer value);

/// Every setting the plug-in reads. A host that sets none gets the plug-in's own defaults.
namespace Settings {

/// FrameRate/Ratio: the frame rate of a file that declares none, as `frames` per `seconds`
/// (25 fps: 25, 1; 23.976 fps: 24000, 1001). Without it: 24000 per 1001. A zero in either
/// number counts as no answer.
HostSetting frameRateFramesPerSeconds(std::uint32_t frames, std::uint32_t seconds);

/// MicroDVD/Lenient: true reads files as they come from the wild (skips lines that are not
/// frame lines, takes blanks, open ends, a rate line and per-line codes). Off without it.
HostSetting lenientReading(bool on);
/// CodePage/Detect: true lets the plug-in name the encoding of a file that is not UTF-8 and
/// that neither a signature nor codePageName names. Off without it.
HostSetting detectEncoding(bool on);
/// CodePage/Name: the file's encoding, an ICU converter name ("windows-1250"), used when
/// no signature names one. Without it: UTF-8.
HostSetting codePageName(std::string name);
/// CodePage/OverrideEmbedded: true ignores a byte-order signature at the start of a file;
/// false honours it. Without an answer signatures are ignored too, so answer false to have
/// them read.
HostSetting overrideEmbeddedSignature(bool ignore);

// Only the types above: "true" as a text, or a number, does not compile.
template <class T>
HostSetting lenientReading(T) = delete;
template <class T>
HostSetting detectEncoding(T) = delete;
template <class T>
HostSetting overrideEmbeddedSignature(T) = delete;

}  // namespace Settings
}  // namespace Tork::Host
