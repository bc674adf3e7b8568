// Turns the UTF-8 text of a MicroDVD file into timed subtitle chunks.
#pragma once

#include "microdvd/FrameRate.h"

#include <cstddef>
#include <vector>

namespace Tork {

class MediaBufferAllocator;
class MediaChunk;

/// Parses `text` in place (it is split and rewritten) at the starting `rate`, appending one
/// chunk per subtitle, in file order, made by `allocator`. False at the first line that
/// does not begin with two frame groups; the chunks made so far stay in `entries` (a null
/// slot among them is possible) for the caller to release. Throws std::bad_alloc when
/// memory runs out, leaving `entries` likewise.
[[nodiscard]] bool parseMicroDVD(char* text, std::size_t length, FrameRate rate,
                                 MediaBufferAllocator& allocator,
                                 std::vector<MediaChunk*>& entries);

}  // namespace Tork
