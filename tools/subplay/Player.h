// Real-time playback: each subtitle shown when due and cleared when it ends.
#pragma once

#include "tools/subplay/PlaybackClock.h"
#include "tools/subplay/Stream.h"
#include "tools/subplay/Writers.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>

namespace Tork {
class StreamInterface;
}

namespace Tork::Subplay {

/// Where the player gets its entries: normally a stream read against the player's clock.
class EntrySource {
public:
    virtual ~EntrySource() = default;
    virtual Host::ReadOutcome read(Entry& entry) = 0;
    /// Going backwards: continue with the last entry that starts at or before `time`.
    virtual void stepBackTo(std::uint32_t time) = 0;
};

class StreamSource : public EntrySource {
public:
    explicit StreamSource(StreamInterface& stream) : stream_(stream) {}
    Host::ReadOutcome read(Entry& entry) override;
    void stepBackTo(std::uint32_t time) override;

private:
    StreamInterface& stream_;
};

struct PlayerSettings {
    /// Draw the subtitles and a status line in place; otherwise print one line per event.
    bool terminal = false;
    /// Italic, bold and colour on the terminal; off for NO_COLOR and dumb terminals.
    bool styled = true;
    /// The terminal's width; 0 when unknown.
    int columns = 0;
    /// The end of the last entry, for the progress shown in the status line.
    std::optional<std::uint32_t> lastEnd;
    std::function<void(std::chrono::steady_clock::duration)> sleep;
};

struct PlaySummary {
    std::uint64_t shown = 0;
    /// Reading stopped at entries that start later than any clock time can reach.
    bool unreachable = false;
};

/// Columns `line` takes on a terminal: escape sequences none, combining marks none, wide
/// characters two, a tab up to the next multiple of eight.
std::size_t displayColumns(std::string_view line);

/// Plays `source` against `clock` until every entry has been shown and cleared.
PlaySummary play(EntrySource& source, PlaybackClock& clock, const PlayerSettings& settings,
                 std::ostream& out);

}  // namespace Tork::Subplay
