// Which subtitle format a text that is not MicroDVD holds, for a message that names it.
#pragma once

#include <optional>
#include <string_view>

namespace Tork::Host {

/// The name of the other subtitle format that `head` (the first bytes of a file, in UTF-8 or
/// ASCII, a UTF-8 signature allowed) starts in: "SubRip" (a cue number, then
/// "00:00:01,000 --> 00:00:02,000"), "WebVTT" (a "WEBVTT" header) or "TMPlayer"
/// ("00:00:01:text"); nothing for MicroDVD, or for anything it cannot tell.
std::optional<std::string_view> otherSubtitleFormat(std::string_view head);

}  // namespace Tork::Host
