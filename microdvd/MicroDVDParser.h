// Turns the UTF-8 text of a MicroDVD file into timed subtitle chunks.
#pragma once

#include "microdvd/FrameRate.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace Tork {

class MediaBufferAllocator;
class MediaChunk;

/// The longest text an entry can carry: a chunk's size is a signed 32-bit count.
inline constexpr std::size_t kMaxEntryLength = std::numeric_limits<std::int32_t>::max();

/// Parses `text` in place (it is split and rewritten) at the starting `rate`, appending one
/// chunk per subtitle, in file order, made by `allocator`. False at the first line that
/// does not begin with two frame groups or whose final text is longer than
/// `maxEntryLength`; the chunks made so far stay in `entries` (a null slot among them is
/// possible) for the caller to release. Throws std::bad_alloc when memory runs out, leaving
/// `entries` likewise.
[[nodiscard]] bool parseMicroDVD(char* text, std::size_t length, FrameRate rate,
                                 MediaBufferAllocator& allocator, std::vector<MediaChunk*>& entries,
                                 std::size_t maxEntryLength = kMaxEntryLength);

}  // namespace Tork
