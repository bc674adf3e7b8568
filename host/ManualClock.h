// A media clock whose time the host sets.
#pragma once

#include "framework/MediaClock.h"

#include <atomic>
#include <cstdint>

namespace Tork::Host {

class ManualClock : public MediaClock {
public:
    explicit ManualClock(std::int32_t time = -1) : time_(time) {}
    void set(std::int32_t time) { time_ = time; }
    std::int32_t currentTime() override { return time_; }

private:
    std::atomic<std::int32_t> time_;
};

}  // namespace Tork::Host
