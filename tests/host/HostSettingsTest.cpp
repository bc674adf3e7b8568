// The kit's named settings: each one the group, key and answer the plug-in reads.
#include "host/HostSettings.h"
#include "host/UrlLocation.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace Tork::Host {
namespace {

// A text where a boolean is meant, or a bare string where a location is, does not compile.
template <class T>
concept LenientTakes = requires(T value) { Settings::lenientReading(value); };
template <class T>
concept DetectionTakes = requires(T value) { Settings::detectEncoding(value); };
template <class T>
concept SignatureTakes = requires(T value) { Settings::overrideEmbeddedSignature(value); };
static_assert(LenientTakes<bool> && !LenientTakes<const char*> && !LenientTakes<int>);
static_assert(DetectionTakes<bool> && !DetectionTakes<std::string>);
static_assert(SignatureTakes<bool> && !SignatureTakes<const char*>);
static_assert(!std::is_convertible_v<std::string, FileLocation>);
static_assert(!std::is_convertible_v<const char*, FileLocation>);
static_assert(!std::is_convertible_v<FilePath, FileUrl>);

TEST(HostSettings, EachNamesWhatThePluginReads) {
    struct Row {
        const char* description;
        HostSetting setting;
        const char* group;
        const char* key;
        SettingAnswer answer;
    };
    const Row rows[] = {
        // The plug-in reads a ratio denominator first: 23.976 fps is 1001, 24000.
        {"frame rate", Settings::frameRateFramesPerSeconds(24000, 1001), "FrameRate", "Ratio",
         Ratio{1001, 24000}},
        {"lenient", Settings::lenientReading(true), "MicroDVD", "Lenient", true},
        {"detection", Settings::detectEncoding(false), "CodePage", "Detect", false},
        {"code page", Settings::codePageName("windows-1250"), "CodePage", "Name",
         std::string("windows-1250")},
        {"signature", Settings::overrideEmbeddedSignature(true), "CodePage", "OverrideEmbedded",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        EXPECT_EQ(row.setting.group(), row.group);
        EXPECT_EQ(row.setting.key(), row.key);
        ASSERT_EQ(row.setting.value().index(), row.answer.index());
        if (const auto* ratio = std::get_if<Ratio>(&row.answer)) {
            EXPECT_EQ(std::get<Ratio>(row.setting.value()).first, ratio->first);
            EXPECT_EQ(std::get<Ratio>(row.setting.value()).second, ratio->second);
        } else if (const auto* flag = std::get_if<bool>(&row.answer)) {
            EXPECT_EQ(std::get<bool>(row.setting.value()), *flag);
        } else {
            EXPECT_EQ(std::get<std::string>(row.setting.value()),
                      std::get<std::string>(row.answer));
        }
    }
}

}  // namespace
}  // namespace Tork::Host
