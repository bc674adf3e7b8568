// The subtitle container's overlay text stream: reading and seeking against the host's clock.
#include "subtitle/OverlayStream.h"

#include "framework/Logger.h"
#include "framework/MediaBuffer.h"
#include "framework/MediaClock.h"
#include "framework/OrOnException.h"
#include "framework/ResultCode.h"
#include "subtitle/StreamOwner.h"

#include <algorithm>
#include <mutex>
#include <string_view>
#include <utility>

namespace Tork {
namespace {

// The lines the log names for these messages: hosts' log filters know them by these
// numbers, so they stay whatever this file looks like.
constexpr int seekLogLine = 602;
constexpr int seekEndLogLine = 604;
constexpr int readLogLine = 664;

// The function a log line names, as hosts' filters know it: the stream as the container
// template's nested class of the format.
std::string logTag(std::string_view formatName, std::string_view operation) {
    std::string tag = "Tork::SubtitleParserTemplate<class ";
    tag += formatName;
    tag += ">::OverlayStream::";
    tag += operation;
    return tag;
}

}  // namespace

OverlayStream::OverlayStream(StreamOwner* container, std::uint64_t id, EntryStore entries,
                             const String& name, const String& language, const String& region)
    : StreamInterface(container->getId(), id, /*group*/ 0),
      container_(container),
      readTag_(logTag(container->formatName_, "readStream")),
      seekTag_(logTag(container->formatName_, "seekStream")),
      name_(name),
      language_(language),
      region_(region),
      entries_(std::move(entries)) {
    container_->fillStreamFormat(&format_);
    rate_ = 1000;
    properties_.width = 640;
    properties_.height = 480;
}

bool OverlayStream::getInfo(String* name, String* language, String* region, std::uint32_t) {
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
    } catch (...) {
        rethrowIfForeign();
        // Out of memory: report what was copied before.
    }
    return copied;
}

std::int32_t OverlayStream::setClock(MediaClock* clock) {
    if (!clock) return Result::NotYet;
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(container_->lock_);
        clock_ = clock;
        return Result::Ok;
    });
}

std::int32_t OverlayStream::reset() {
    return orOnException(Result::Failure, [this] {
        std::lock_guard guard(container_->lock_);
        cursor_ = rate_ > 0 ? 0 : static_cast<std::int32_t>(entries_.size()) - 1;
        return Result::Ok;
    });
}

std::int32_t OverlayStream::findKeyTime(std::uint32_t, std::uint32_t time, std::uint32_t* result) {
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

std::int32_t OverlayStream::seekStream(std::uint32_t time, std::uint32_t* result, std::uint32_t) {
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

void OverlayStream::logSeek() const {
    if (cursor_ >= 0 && static_cast<std::size_t>(cursor_) < entries_.size()) {
        Logger::instance()->write(
            "Container", seekTag_.c_str(), seekLogLine, "Subtitle Stream: seeked to %d",
            static_cast<int>(entries_.start(static_cast<std::size_t>(cursor_))));
    } else {
        Logger::instance()->write("Container", seekTag_.c_str(), seekEndLogLine,
                                  "Subtitle Stream: seeked to %s", "end");
    }
}

std::int32_t OverlayStream::readStream(MediaChunk** chunk) {
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
            log.write("Subtitle", readTag_.c_str(), readLogLine,
                      "PARSED(Sub=%i): timestamp=%d duration=%d mediatime=%d",
                      static_cast<int>(words_[0]), static_cast<int>(out->timestamp),
                      static_cast<int>(out->duration), static_cast<int>(clock_->currentTime()));
        }
        *chunk = out;
        return Result::Ok;
    });
}

// A fresh chunk with a copy of the entry's text (no terminator added) and times.
MediaChunk* OverlayStream::copyOf(std::size_t entry) const {
    const std::string_view text = entries_.text(entry);
    MediaChunk* chunk = handOutCopy(text.data(), static_cast<std::int32_t>(text.size()));
    chunk->timestamp = entries_.start(entry);
    chunk->duration = entries_.duration(entry);
    return chunk;
}

bool OverlayStream::setRate(std::int32_t rate) {
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

bool OverlayStream::supportsFeature(std::uint32_t value) {
    return container_->supportsFeature(value);
}

}  // namespace Tork
