// subplay's use of the selected stream: the host's settings, the starting point, and
// reading everything the stream hands out.
#pragma once

#include "host/ContainerSession.h"
#include "host/ManualClock.h"
#include "tools/subplay/EntryWriter.h"
#include "tools/subplay/Options.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Tork {
class StreamInterface;
}

namespace Tork::Subplay {

/// Has `context` answer with the settings of `options`: a host for people reads what it
/// can, unless told to read as the plug-in would (--strict).
void applySettings(Host::SettingsContext& context, const Options& options);

/// The stream's name, format code, type and language, as JSON shows them.
StreamDescription describeStream(StreamInterface& stream);

/// The latest start time that the stream hands out against the latest clock time (it
/// hands an entry out up to 500 ms early).
inline constexpr std::uint32_t latestReachableStart = 0x7FFFFFFFu + 500u;

struct ReadPosition {
    bool reverse = false;
    std::optional<std::uint32_t> seek;
};

/// Sets the direction and the starting point as a player does: rate -1000 and reset for
/// reverse, then the seek.
void positionStream(StreamInterface& stream, const ReadPosition& position);

/// The end of the stream's last entry (the one with the latest start), from a key-time
/// query that leaves the cursor alone; nothing when the stream cannot tell.
std::optional<std::uint32_t> lastEntryEnd(StreamInterface& stream);

struct ReadSummary {
    std::uint64_t entries = 0;
    /// Some entries start later than any clock time can reach, so they were left out.
    bool unreachable = false;
};

/// Attaches `clock` (which must outlive the stream's use of it), sets it far ahead, and
/// hands every entry the stream gives out to `writer`, between begin() and end().
ReadSummary readAll(StreamInterface& stream, Host::ManualClock& clock,
                    const StreamDescription& description, EntryWriter& writer);

}  // namespace Tork::Subplay
