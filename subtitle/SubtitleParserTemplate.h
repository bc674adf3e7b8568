// The format-independent half of a subtitle container (skeleton: every operation fails
// until the container core lands).
#pragma once

#include "framework/ContainerInterface.h"
#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/String.h"
#include "platform/RecursiveMutex.h"

#include <cstdint>
#include <memory>

namespace Tork {

template <class Format>
class SubtitleParserTemplate : public ContainerInterface {
public:
    SubtitleParserTemplate() : allocator_(std::make_unique<MediaBufferAllocator>()) {}

    String getLocation() override { return location_; }
    std::int32_t getStatus() override { return 0; }
    List<std::uint64_t> getProgramIds() override { return {}; }
    String getProgramName(std::uint64_t) override { return String(); }
    std::int32_t selectProgram(std::uint64_t) override { return Result::Failure; }
    std::int32_t close(bool) override { return Result::Failure; }
    std::int32_t getFileSize(std::uint64_t*) override { return Result::Failure; }

    /// Writes the stream format's code.
    virtual void fillStreamFormat(StreamFormat* format) = 0;
    virtual bool supportsFeature(std::uint32_t) { return false; }

protected:
    String location_;
    RecursiveMutex lock_;
    std::unique_ptr<MediaBufferAllocator> allocator_;
};

}  // namespace Tork
