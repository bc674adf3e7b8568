#include "microdvd/HostSettings.h"

#include "framework/Setting.h"

namespace Tork {

HostSettings::HostSettings(ContainerContext* context) : context_(context) {
    if (querySettingBoolean(context_, "MicroDVD", "Lenient").value_or(false))
        value_.reading = MicroDVDReading::Lenient;
    value_.encoding.detect = querySettingBoolean(context_, "CodePage", "Detect").value_or(false);
}

void HostSettings::askEncoding(const String& bytes) {
    if (encodingAsked_) return;
    encodingAsked_ = true;
    const auto overrideEmbedded = querySettingBoolean(context_, "CodePage", "OverrideEmbedded");
    value_.encoding.honourSignature = overrideEmbedded.has_value() && !*overrideEmbedded;
    if (!ParserUtilities::needsCodePageName(bytes, value_.encoding.honourSignature)) return;
    if (auto named = querySettingText(context_, "CodePage", "Name"))
        value_.encoding.codePage = std::move(*named);
}

void HostSettings::askFrameRate() {
    const auto ratio = querySettingRatio(context_, "FrameRate", "Ratio");
    if (!ratio || ratio->first == 0 || ratio->second == 0) return;
    value_.rate = FrameRate{ratio->second, ratio->first};
    value_.rateFromHost = true;
}

}  // namespace Tork
