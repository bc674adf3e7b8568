// A film's frame rate as VLC knows it (a float), as the ratio the plug-in takes.
#pragma once

#include "host/HostSettings.h"

#include <optional>

namespace Tork::Vlc {

using FrameRatio = Host::FrameRatio;

/// `fps` as `frames` per `seconds`, in lowest terms, over 1001 or 1000 seconds, whichever
/// comes closer: NTSC rates (23.976 is 24000/1001) and decimal ones (12.5) come out exact.
/// Nothing for a rate VLC gives when it knows none (0, not a number) or one no film has
/// (not above 1, or above 1000).
std::optional<FrameRatio> frameRatioOf(double fps);

}  // namespace Tork::Vlc
