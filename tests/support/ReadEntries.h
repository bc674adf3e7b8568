// Reads what a stream hands out, as a host does, into plain values for comparisons.
#pragma once

#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamInterface.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace Tork::Testing {

struct Entry {
    std::uint32_t start;
    std::int32_t duration;
    std::string text;
    bool operator==(const Entry&) const = default;
};

inline void PrintTo(const Entry& e, std::ostream* out) {
    *out << "{" << e.start << ", " << e.duration << ", \"" << e.text << "\"}";
}

/// Every entry due at the clock's time, in reading order; each chunk is released.
inline std::vector<Entry> readAll(StreamInterface& stream) {
    std::vector<Entry> entries;
    for (;;) {
        MediaChunk* chunk = nullptr;
        if (stream.readStream(&chunk) != Result::Ok || !chunk) break;
        const unsigned char* data = chunk->lockData();
        entries.push_back({chunk->timestamp, chunk->duration,
                           std::string(reinterpret_cast<const char*>(data),
                                       static_cast<std::size_t>(chunk->sizeField()))});
        chunk->unlockData();
        chunk->release();
    }
    return entries;
}

}  // namespace Tork::Testing
