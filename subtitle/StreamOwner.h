// The part of a subtitle container that the streams it makes reach back into: the lock they
// share, the format's name in their log lines, their format record and the features asked.
#pragma once

#include "framework/ContainerInterface.h"
#include "platform/RecursiveMutex.h"

#include <cstdint>
#include <string_view>

namespace Tork {

class OverlayStream;
struct StreamFormat;

/// A base of every subtitle container, below the streams, so that a stream knows of its
/// container only what it uses.
class StreamOwner : public ContainerInterface {
public:
    /// Writes the code of a new stream's format record; must not call back into the
    /// container.
    virtual void fillStreamFormat(StreamFormat* format) = 0;
    /// Always false.
    virtual bool supportsFeature(std::uint32_t) { return false; }

protected:
    /// `formatName` ("Tork::MicroDVDContainer", in static storage) names the format in the
    /// stream's log lines.
    explicit StreamOwner(std::string_view formatName) : formatName_(formatName) {}

    /// Serialises the container and all of its streams; open holds it throughout.
    RecursiveMutex lock_;

private:
    friend class OverlayStream;

    std::string_view formatName_;
};

}  // namespace Tork
