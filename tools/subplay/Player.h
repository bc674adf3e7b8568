// Real-time playback: each subtitle shown when due and cleared when it ends.
#pragma once

#include "framework/MediaClock.h"
#include "tools/subplay/Stream.h"
#include "tools/subplay/Writers.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>

namespace Tork {
class StreamInterface;
}

namespace Tork::Subplay {

/// A media clock driven by a wall clock, at a chosen speed and direction.
class PlaybackClock : public MediaClock {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    /// Media time starts at `origin` ms when constructed and moves `speed` ms per wall
    /// millisecond, downwards when `reverse`.
    PlaybackClock(
        double origin, double speed, bool reverse,
        Now now = [] { return std::chrono::steady_clock::now(); })
        : now_(std::move(now)),
          started_(now_()),
          origin_(origin),
          rate_(reverse ? -speed : speed),
          handled_(origin) {}

    /// Unbounded media time in ms; it goes below 0 and past 32 bits.
    double mediaTime() const {
        const std::chrono::duration<double, std::milli> elapsed = now_() - started_;
        return origin_ + elapsed.count() * rate_;
    }

    /// The player has dealt with everything up to `time`. Going backwards the stream is
    /// shown no earlier time than that: an entry becomes due by the clock, and one the
    /// wall clock has already run past while the player slept must still be handed out.
    void setHandledTime(double time) { handled_ = time; }

    /// What the stream sees: the media time held between 0 and the largest 32-bit time.
    std::int32_t currentTime() override {
        double time = mediaTime();
        if (rate_ < 0 && time < handled_) time = handled_;
        if (time <= 0) return 0;
        if (time >= 2147483647.0) return 2147483647;
        return static_cast<std::int32_t>(time);
    }

    double origin() const { return origin_; }
    bool reverse() const { return rate_ < 0; }
    double speed() const { return rate_ < 0 ? -rate_ : rate_; }

private:
    Now now_;
    std::chrono::steady_clock::time_point started_;
    double origin_;
    double rate_;
    double handled_;
};

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
