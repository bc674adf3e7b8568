// The subtitle container's overlay text stream: reading and seeking against the host's clock.
#pragma once

#include "framework/Logger.h"
#include "framework/MediaBuffer.h"
#include "framework/MediaClock.h"
#include "framework/Properties.h"
#include "framework/StreamInterface.h"
#include "subtitle/SubtitleParserTemplate.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace Tork {

namespace SubtitleDetail {

template <std::size_t N>
struct FixedText {
    constexpr FixedText(const char (&source)[N]) { std::copy_n(source, N, text); }
    constexpr std::string_view view() const { return {text, N - 1}; }
    char text[N] = {};
};

/// "Tork::SubtitleParserTemplate<class F>::OverlayStream::<Operation>", where F is the
/// format's qualifiedName: the function tag of the stream's log lines, built at compile time.
template <class Format, FixedText Operation>
struct StreamLogTag {
    static constexpr std::string_view parts[] = {"Tork::SubtitleParserTemplate<class ",
                                                 Format::qualifiedName,
                                                 ">::OverlayStream::", Operation.view()};
    static constexpr std::size_t length = [] {
        std::size_t total = 0;
        for (std::string_view part : parts) total += part.size();
        return total;
    }();
    static constexpr std::array<char, length + 1> text = [] {
        std::array<char, length + 1> joined{};
        std::size_t at = 0;
        for (std::string_view part : parts) {
            for (char c : part) joined[at++] = c;
        }
        return joined;
    }();
    static constexpr const char* value = text.data();
};

}  // namespace SubtitleDetail

/// The one stream of a subtitle container: hands out the entries as fresh chunks in the
/// playing direction (the sign of the rate) once the clock has come near them. Every
/// operation that reads or moves the cursor holds the container's lock.
template <class Format>
class SubtitleParserTemplate<Format>::OverlayStream : public StreamInterface {
public:
    /// Made only by addStream. `entries` must be sorted.
    OverlayStream(SubtitleParserTemplate* container, std::uint64_t id, EntryStore entries,
                  const String& name, const String& language, const String& region);

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
    friend class SubtitleParserTemplate<Format>;

    static constexpr std::uint32_t dueAhead = 500;  // ms before its start an entry is handed out

    MediaChunk* copyOf(std::size_t entry) const;
    void logSeek() const;

    SubtitleParserTemplate* container_;
    MediaClock* clock_ = nullptr;
    StreamFormat format_;
    String name_;
    String language_;
    String region_;
    EntryTimeline entries_;
    std::int32_t cursor_ = 0;  // next entry in the playing direction, -1 to entries_.size()
    ImageProperties properties_;
};

template <class Format>
SubtitleParserTemplate<Format>::OverlayStream::OverlayStream(SubtitleParserTemplate* container,
                                                             std::uint64_t id, EntryStore entries,
                                                             const String& name,
                                                             const String& language,
                                                             const String& region)
    : StreamInterface(container->getId(), id, /*group*/ 0),
      container_(container),
      name_(name),
      language_(language),
      region_(region),
      entries_(std::move(entries)) {
    container_->fillStreamFormat(&format_);
    rate_ = 1000;
    properties_.width = 640;
    properties_.height = 480;
}

template <class Format>
bool SubtitleParserTemplate<Format>::OverlayStream::getInfo(String* name, String* language,
                                                            String* region, std::uint32_t) {
    bool copied = false;
    const auto copy = [&copied](String* target, const String& member) {
        if (!target || member.empty()) return;
        *target = member;
        copied = true;
    };
    try {
        copy(name, name_);
        copy(language, language_);
        copy(region, region_);
    } catch (const ThreadCancellation&) {
        throw;
    } catch (...) {
        // Out of memory: report what was copied before.
    }
    return copied;
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::OverlayStream::setClock(MediaClock* clock) {
    if (!clock) return Result::NotYet;
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(container_->lock_);
        clock_ = clock;
        return Result::Ok;
    });
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::OverlayStream::reset() {
    return orOnException(Result::Failure, [this] {
        std::lock_guard guard(container_->lock_);
        cursor_ = rate_ > 0 ? 0 : static_cast<std::int32_t>(entries_.size()) - 1;
        return Result::Ok;
    });
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::OverlayStream::findKeyTime(std::uint32_t,
                                                                        std::uint32_t time,
                                                                        std::uint32_t* result) {
    if (!result) return Result::Failure;
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(container_->lock_);
        if (entries_.empty()) {
            *result = time;
            return Result::Ok;
        }
        if (rate_ == 0) return Result::Failure;
        if (rate_ > 0) {
            const auto next = entries_.firstStartingAtOrAfter(time);
            *result = next ? entries_.start(*next) : entries_.end(entries_.size() - 1);
        } else {
            const auto previous = entries_.lastEndingBefore(time);
            *result = previous ? entries_.start(*previous) : entries_.start(0) - 1;
        }
        return Result::Ok;
    });
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::OverlayStream::seekStream(std::uint32_t time,
                                                                       std::uint32_t* result,
                                                                       std::uint32_t) {
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(container_->lock_);
        const std::size_t count = entries_.size();
        if (count == 0) {
            if (result) *result = time;
            return Result::Ok;
        }
        if (rate_ == 0) return Result::Failure;
        std::uint32_t found;
        if (rate_ > 0) {
            const auto next = entries_.firstEndingAtOrAfter(time);
            cursor_ = static_cast<std::int32_t>(next.value_or(count));
            found = next ? entries_.start(*next) : entries_.end(count - 1) + 1;
        } else {
            const auto previous = entries_.lastStartingBefore(time);
            cursor_ = static_cast<std::int32_t>(previous.value_or(0));
            found = previous ? entries_.start(*previous) : 0;
        }
        if (result) *result = found;
        logSeek();
        return Result::Ok;
    });
}

template <class Format>
void SubtitleParserTemplate<Format>::OverlayStream::logSeek() const {
    using Tag = SubtitleDetail::StreamLogTag<Format, "seekStream">;
    if (cursor_ >= 0 && static_cast<std::size_t>(cursor_) < entries_.size()) {
        Logger::instance()->write(
            "Container", Tag::value, __LINE__, "Subtitle Stream: seeked to %d",
            static_cast<int>(entries_.start(static_cast<std::size_t>(cursor_))));
    } else {
        Logger::instance()->write("Container", Tag::value, __LINE__,
                                  "Subtitle Stream: seeked to %s", "end");
    }
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::OverlayStream::readStream(MediaChunk** chunk) {
    if (!chunk) return Result::Failure;
    *chunk = nullptr;
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(container_->lock_);
        if (!clock_) return Result::NotYet;
        const std::int32_t now = clock_->currentTime();
        if (now < 0) return Result::NotYet;
        if (rate_ == 0 || cursor_ < 0 || static_cast<std::size_t>(cursor_) >= entries_.size()) {
            return Result::Ok;
        }
        const auto entry = static_cast<std::size_t>(cursor_);
        if (static_cast<std::uint32_t>(now) + dueAhead < entries_.start(entry))
            return Result::NotYet;

        MediaChunk* out = copyOf(entry);
        cursor_ += rate_ > 0 ? 1 : -1;
        // Read unguarded and ordered with nothing else: a full barrier would cost more than
        // the rest of the store.
        position_.store(out->timestamp + static_cast<std::uint32_t>(out->duration),
                        std::memory_order_relaxed);
        // With logging off the clock is not asked again only to be dropped.
        if (Logger& log = *Logger::instance(); log.impl()) {
            using Tag = SubtitleDetail::StreamLogTag<Format, "readStream">;
            log.write("Subtitle", Tag::value, __LINE__,
                      "PARSED(Sub=%i): timestamp=%d duration=%d mediatime=%d",
                      static_cast<int>(words_[0]), static_cast<int>(out->timestamp),
                      static_cast<int>(out->duration), static_cast<int>(clock_->currentTime()));
        }
        *chunk = out;
        return Result::Ok;
    });
}

// A fresh chunk with a copy of the entry's text (no terminator added) and times.
template <class Format>
MediaChunk* SubtitleParserTemplate<Format>::OverlayStream::copyOf(std::size_t entry) const {
    const std::string_view text = entries_.text(entry);
    MediaChunk* chunk = handOutCopy(text.data(), static_cast<std::int32_t>(text.size()));
    chunk->timestamp = entries_.start(entry);
    chunk->duration = entries_.duration(entry);
    return chunk;
}

template <class Format>
bool SubtitleParserTemplate<Format>::OverlayStream::setRate(std::int32_t rate) {
    return orOnException(false, [&] {
        // Held throughout: cursor and entries change under readStream and close on other
        // threads.
        std::lock_guard guard(container_->lock_);
        if (rate == rate_) return true;
        if (!entries_.empty()) {
            const auto last = static_cast<std::int32_t>(entries_.size()) - 1;
            const auto current = static_cast<std::size_t>(std::clamp(cursor_, 0, last));
            // Seeks under the old rate, anchoring the cursor at the current entry before
            // the direction flips.
            const std::uint32_t time = rate < 0 ? entries_.end(current) : entries_.start(current);
            seekStream(time, nullptr, 1);
        }
        rate_ = rate;
        return true;
    });
}

template <class Format>
bool SubtitleParserTemplate<Format>::OverlayStream::supportsFeature(std::uint32_t value) {
    return container_->supportsFeature(value);
}

}  // namespace Tork
