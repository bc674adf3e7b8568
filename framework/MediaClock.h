// The host's media clock, as a stream reads it.
#pragma once

#include <cstdint>

namespace Tork {

class MediaClock {
public:
    virtual void clockSlot1() {}
    virtual void clockSlot2() {}
    virtual void clockSlot3() {}
    /// The media time in milliseconds, or a negative value when there is none yet.
    virtual std::int32_t currentTime() = 0;

protected:
    ~MediaClock() = default;
};

}  // namespace Tork
