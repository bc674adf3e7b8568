// Turns the UTF-8 text of a MicroDVD file into timed subtitle entries.
#pragma once

#include "microdvd/FrameRate.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace Tork {

class EntryStore;

/// The longest text an entry can carry: a chunk's size is a signed 32-bit count.
inline constexpr std::size_t kMaxEntryLength = std::numeric_limits<std::int32_t>::max();

/// Parses the file text that `entries` holds, in place (it is split and rewritten), at the
/// starting `rate`, adding one entry per subtitle in file order. False at the first line
/// that does not begin with two frame groups or whose final text is longer than
/// `maxEntryLength`; the entries added so far stay. Throws std::bad_alloc when memory runs
/// out, leaving the entries added so far likewise.
[[nodiscard]] bool parseMicroDVD(EntryStore& entries, FrameRate rate,
                                 std::size_t maxEntryLength = kMaxEntryLength);

}  // namespace Tork
