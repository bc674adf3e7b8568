// A media clock driven by a wall clock, at a chosen speed and direction.
#pragma once

#include "framework/MediaClock.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

namespace Tork::Subplay {

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

}  // namespace Tork::Subplay
