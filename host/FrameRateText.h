// A frame rate as people write it ("25", "23.976", "30000/1001"), read into the kit's type.
#pragma once

#include "host/HostSettings.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace Tork::Host {

/// "25" → 25 per 1, "23.976" or "23,976" → 23976 per 1000, "30000/1001" → 30000 per 1001,
/// unreduced; nothing for a zero, a sign, a blank, a term that does not fit 32 bits, more
/// than nine decimals or any other text.
std::optional<FrameRatio> parseFrameRate(std::string_view text);

/// A whole number written in one to nineteen decimal digits and nothing else, as the rate's
/// terms and the other numbers people type are read.
std::optional<std::uint64_t> parseDigits(std::string_view text);

}  // namespace Tork::Host
