// How long entries written "{start}{}" last: until the next start, once all starts are known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Tork {

/// How long an open entry lasts when no entry starts after it, in milliseconds.
inline constexpr std::int32_t kLastOpenEndDuration = 3000;

/// For each index in `open` (into `starts`, the start times of all entries in any order),
/// the time from that start to the next later one, or kLastOpenEndDuration when none is
/// later; a gap beyond the signed 32-bit range is cut to its largest value. Throws
/// std::bad_alloc when memory runs out.
std::vector<std::int32_t> openEndDurations(std::span<const std::uint32_t> starts,
                                           std::span<const std::size_t> open);

}  // namespace Tork
