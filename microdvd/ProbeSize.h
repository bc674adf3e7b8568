// How much of a file the MicroDVD probe reads: a host that hands it a copy of a stream's start
// copies this much.
#pragma once

#include "framework/ReadingReport.h"

#include <cstdint>

namespace Tork {

/// The default reading looks at the first line only.
inline constexpr std::int32_t kProbeBytes = 1024;
/// The lenient reading skips header lines, so its probe looks as far as the open looks for a
/// first frame line.
inline constexpr std::int32_t kLenientProbeBytes = static_cast<std::int32_t>(kReadingProbeWindow);

}  // namespace Tork
