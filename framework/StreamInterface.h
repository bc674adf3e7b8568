// The abstract elementary stream and the state every stream shares.
#pragma once

#include "framework/List.h"
#include "framework/String.h"
#include "platform/RecursiveMutex.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <utility>

namespace Tork {

class ImageProperties;
class MediaChunk;
class MediaClock;
struct StreamFormat;

class StreamInterface {
public:
    StreamInterface(std::uint64_t parentId, std::uint64_t id, std::int32_t group);
    StreamInterface(const StreamInterface&) = delete;
    StreamInterface& operator=(const StreamInterface&) = delete;
    virtual ~StreamInterface();

    virtual std::int32_t getStatus() = 0;
    virtual void getRange(std::int32_t* first, std::int32_t* second);
    /// Copies the non-empty members into the non-null targets; false when none was copied.
    virtual bool getInfo(String* name, String* language, String* region,
                         std::uint32_t reserved) = 0;
    virtual StreamFormat* getFormat() = 0;
    virtual ImageProperties* getProperties() = 0;
    virtual std::int32_t getStreamType() = 0;
    virtual std::int32_t getGroup() { return group_; }
    /// The associated streams whose flags hold every bit of `mask`; the caller owns the list.
    /// Empty when memory or the lock cannot be had.
    virtual List<StreamInterface*> getAssociatedStreams(std::uint32_t mask);
    /// -1 when `clock` is null (the clock stays), 0 otherwise.
    virtual std::int32_t setClock(MediaClock* clock) = 0;
    virtual std::int32_t reset() = 0;
    virtual std::int32_t findKeyTime(std::uint32_t reserved, std::uint32_t time,
                                     std::uint32_t* result) = 0;
    virtual std::int32_t seekStream(std::uint32_t time, std::uint32_t* result,
                                    std::uint32_t reserved) = 0;
    virtual std::int32_t flush() = 0;
    /// 0 with a chunk the caller owns, 0 without one at the end, -1 when nothing is due yet.
    virtual std::int32_t readStream(MediaChunk** chunk) = 0;
    virtual std::uint32_t getPosition() { return position_; }
    virtual bool isFlagged() { return flag_; }
    virtual bool setRate(std::int32_t rate);
    virtual std::int32_t getRate() { return rate_; }
    virtual bool setMode(std::int32_t mode);
    virtual std::int32_t getMode() { return mode_; }
    virtual void setUserData(std::int32_t value) { userData_ = value; }
    virtual std::int32_t getUserData() { return userData_; }
    virtual bool supportsFeature(std::uint32_t value);

    std::uint64_t parentId() const { return parentId_; }
    std::uint64_t id() const { return id_; }

protected:
    std::uint32_t words_[3] = {};  // the first is the subtitle number in read logs
    // Atomic, of the plain types' size: getRate and getPosition answer without a lock
    // while the stream's reads, seeks and rate changes write them under its own.
    std::atomic<std::int32_t> rate_ = 0;
    std::atomic<std::uint32_t> position_ = 0;
    static_assert(std::atomic<std::int32_t>::is_always_lock_free &&
                  sizeof(std::atomic<std::int32_t>) == sizeof(std::int32_t));

private:
    std::uint64_t parentId_;
    std::uint64_t id_;
    bool flag_ = false;
    std::int32_t mode_ = 0;
    std::int32_t userData_ = 0;
    std::int32_t range_[2] = {0, 0};
    RecursiveMutex lock_;
    std::map<std::uint64_t, std::pair<std::uint32_t, StreamInterface*>> associations_;
    std::int32_t group_;
};

}  // namespace Tork
