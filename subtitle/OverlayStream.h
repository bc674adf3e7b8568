// The subtitle container's overlay text stream: reading and seeking against the host's clock.
#pragma once

#include "framework/Properties.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "framework/String.h"
#include "subtitle/EntryStore.h"
#include "subtitle/EntryTimeline.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tork {

class MediaChunk;
class MediaClock;
class StreamOwner;

/// The one stream of a subtitle container: hands out the entries as fresh chunks in the
/// playing direction (the sign of the rate) once the clock has come near them. Every
/// operation that reads or moves the cursor holds the container's lock.
class OverlayStream : public StreamInterface {
public:
    /// Made only by addStream. `entries` must be sorted.
    OverlayStream(StreamOwner* container, std::uint64_t id, EntryStore entries, const String& name,
                  const String& language, const String& region);

    /// Always 0.
    std::int32_t getStatus() override { return 0; }
    /// Copies each non-empty member into its target when the target is not null; false when
    /// none was copied.
    bool getInfo(String* name, String* language, String* region, std::uint32_t) override;
    StreamFormat* getFormat() override { return &format_; }
    ImageProperties* getProperties() override { return &properties_; }
    /// Always 320.
    std::int32_t getStreamType() override { return 320; }
    /// -1 when `clock` is null (the clock stays), 0 otherwise.
    std::int32_t setClock(MediaClock* clock) override;
    /// Puts the cursor on the first entry in the playing direction; 0 unless the lock cannot
    /// be had.
    std::int32_t reset() override;
    /// The time of the next entry in the playing direction; the cursor stays. 0x80100001
    /// when `result` is null, or when the stream has entries and is stopped.
    std::int32_t findKeyTime(std::uint32_t, std::uint32_t time, std::uint32_t* result) override;
    /// Places the cursor for `time` in the playing direction and stores the time sought in
    /// `*result` when it is not null. 0x80100001 when the stream has entries and is stopped.
    std::int32_t seekStream(std::uint32_t time, std::uint32_t* result, std::uint32_t) override;
    /// Always 0.
    std::int32_t flush() override { return 0; }
    /// 0 with a chunk the caller owns; 0 without one when stopped or nothing is left in the
    /// playing direction; -1 when the clock has no time yet or the next entry is more than
    /// 500 ms ahead of it; 0x80100001 when `chunk` is null or memory ran out.
    std::int32_t readStream(MediaChunk** chunk) override;
    /// Re-seeks around the current entry before the direction changes. False only when the
    /// lock cannot be had.
    bool setRate(std::int32_t rate) override;
    /// The container's answer: always false.
    bool supportsFeature(std::uint32_t value) override;

private:
    friend class SubtitleContainer;

    static constexpr std::uint32_t dueAhead = 500;  // ms before its start an entry is handed out

    MediaChunk* copyOf(std::size_t entry) const;
    void logSeek() const;

    StreamOwner* container_;
    std::string readTag_;  // the function names of the log lines
    std::string seekTag_;
    MediaClock* clock_ = nullptr;
    StreamFormat format_;
    String name_;
    String language_;
    String region_;
    EntryTimeline entries_;
    std::int32_t cursor_ = 0;  // next entry in the playing direction, -1 to entries_.size()
    ImageProperties properties_;
};

}  // namespace Tork
