// The format-independent half of a subtitle container: entries, streams, program, close.
#pragma once

#include "framework/ContainerContext.h"
#include "framework/ContainerInterface.h"
#include "framework/List.h"
#include "framework/MediaBuffer.h"
#include "framework/OrOnException.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/String.h"
#include "platform/RecursiveMutex.h"
#include "subtitle/EntryTimeline.h"
#include "subtitle/FileSize.h"
#include "subtitle/LanguageCodeTable.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace Tork {

/// A format class derives from this as SubtitleParserTemplate<Format>. It provides `probe`,
/// `notify`, `request`, `open`, the MIME-type operations and `fillStreamFormat`, and a
/// `static constexpr std::string_view qualifiedName` ("Tork::MicroDVDContainer") that names
/// it in the stream's log lines.
template <class Format>
class SubtitleParserTemplate : public ContainerInterface {
public:
    class OverlayStream;

    static constexpr std::uint64_t noProgram = ~std::uint64_t{0};

    SubtitleParserTemplate() = default;
    /// Destroys every stream made here, with the entries that close(false) has not freed:
    /// a host may release the component without closing it, and no stream outlives its
    /// container.
    ~SubtitleParserTemplate() override = default;

    /// A copy of the location recorded by open; empty when there is none or memory ran out.
    String getLocation() override;
    /// Always 0.
    std::int32_t getStatus() override { return 0; }
    /// The one program id, obtained from the context on the first call; all bits set
    /// without a context. Empty when memory ran out or the context's newId threw.
    List<std::uint64_t> getProgramIds() override;
    /// Always empty.
    String getProgramName(std::uint64_t) override { return String(); }
    /// Announces every stream and selects one by the preferred language. 0x80100001 for an
    /// id other than the program id, without a context, or when memory ran out.
    std::int32_t selectProgram(std::uint64_t programId) override;
    /// close(false) frees every entry and reports each stream removed, once; the stream
    /// objects stay valid until the container is destroyed, and a stream that the context
    /// opens meanwhile stays open. close(true) does nothing. 0 unless the lock cannot be
    /// had or the context threw.
    std::int32_t close(bool flag) override;
    /// The size of the file at the recorded location. 0x80100001 when `size` is null or the
    /// location cannot be opened; `*size` is then unchanged.
    std::int32_t getFileSize(std::uint64_t* size) override;

    /// Writes the code of a new stream's format record; must not call back into the
    /// container.
    virtual void fillStreamFormat(StreamFormat* format) = 0;
    /// Always false.
    virtual bool supportsFeature(std::uint32_t value);

protected:
    /// Sorts `entries` by start (unsigned) and makes a stream that holds them. The caller
    /// holds `lock_`. False without a context or when memory ran out: nothing is made.
    [[nodiscard]] bool addStream(EntryStore entries, const String& name, const String& language,
                                 const String& region);
    /// Records the local path of the opened source, for getLocation and getFileSize.
    /// Throws std::bad_alloc, leaving the old location, when the copy cannot be stored.
    void setLocation(const String& location);

    /// Serialises the container and all of its streams; open holds it throughout.
    RecursiveMutex lock_;

private:
    std::uint64_t chooseStream() const;

    String location_;
    std::map<std::uint64_t, OverlayStream*> streams_;   // open streams by id
    std::vector<std::unique_ptr<OverlayStream>> made_;  // every stream made, closed or not
    String preferredLanguage_;
    std::uint64_t programId_ = noProgram;
};

template <class Format>
String SubtitleParserTemplate<Format>::getLocation() {
    return orOnException(String(), [this] {
        std::lock_guard guard(lock_);
        return String(location_);
    });
}

template <class Format>
List<std::uint64_t> SubtitleParserTemplate<Format>::getProgramIds() {
    return orOnException(List<std::uint64_t>(), [this] {
        std::unique_lock guard(lock_);
        if (programId_ == noProgram && context_) {
            // Asked without the lock: a host may take a lock of its own in newId that another
            // of its threads holds while it calls in here. Threads asking together may each
            // obtain an id; the first one stored is the program's.
            guard.unlock();
            const std::uint64_t asked = context_->newId();
            guard.lock();
            if (programId_ == noProgram) programId_ = asked;
        }
        List<std::uint64_t> ids;
        ids.append(programId_);
        return ids;
    });
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::selectProgram(std::uint64_t programId) {
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(lock_);
        if (programId != programId_ || !context_) return Result::Failure;
        preferredLanguage_ = context_->getPreferredLanguage();
        // The context may close or open from streamAdded: each step looks the map up
        // afresh, so a stream closed meanwhile is passed over and one opened is announced.
        for (auto next = streams_.begin(); next != streams_.end();) {
            const std::uint64_t id = next->first;
            context_->streamAdded(next->second);
            next = streams_.upper_bound(id);
        }
        if (streams_.empty()) return Result::Ok;
        context_->selectStream(chooseStream(), /*enable*/ 1);
        return Result::Ok;
    });
}

// The last stream whose language and region both match the preferred language; failing
// that, the first whose language matches; failing that, the one with the smallest id.
template <class Format>
std::uint64_t SubtitleParserTemplate<Format>::chooseStream() const {
    const std::uint64_t smallestId = streams_.begin()->first;
    // With a single stream there is nothing to choose.
    if (streams_.size() == 1 || preferredLanguage_.empty()) return smallestId;
    std::string_view language = preferredLanguage_.text();
    std::string_view region;
    if (const auto hyphen = language.find('-'); hyphen != std::string_view::npos) {
        region = language.substr(hyphen + 1);
        language = language.substr(0, hyphen);
    }
    const std::string_view partner = mapLanguageCode(language);
    std::optional<std::uint64_t> languageMatch, regionMatch;
    for (const auto& [id, stream] : streams_) {
        const std::string_view streamLanguage = stream->language_.text();
        if (streamLanguage != language && streamLanguage != partner) continue;
        if (!languageMatch) languageMatch = id;
        if (!region.empty() && stream->region_.text() == region) regionMatch = id;
    }
    return regionMatch.value_or(languageMatch.value_or(smallestId));
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::close(bool flag) {
    if (flag) return Result::Ok;
    return orOnException(Result::Failure, [this] {
        std::lock_guard guard(lock_);
        // Taken out first: the context may close again or open from streamRemoved, and a
        // stream opened then belongs to the container, not to this close.
        const auto closing = std::exchange(streams_, {});
        for (const auto& [id, stream] : closing) {
            stream->entries_.clear();
            if (context_) context_->streamRemoved(id);
        }
        return Result::Ok;
    });
}

template <class Format>
std::int32_t SubtitleParserTemplate<Format>::getFileSize(std::uint64_t* size) {
    if (!size) return Result::Failure;
    return orOnException(Result::Failure, [&] {
        const String location = getLocation();
        const std::optional<std::uint64_t> bytes = fileSize(location);
        if (!bytes) return Result::Failure;
        *size = *bytes;
        return Result::Ok;
    });
}

template <class Format>
bool SubtitleParserTemplate<Format>::supportsFeature(std::uint32_t) {
    return false;
}

template <class Format>
bool SubtitleParserTemplate<Format>::addStream(EntryStore entries, const String& name,
                                               const String& language, const String& region) {
    if (!context_) return false;
    return orOnException(false, [&] {
        entries.finish();
        const std::uint64_t id = context_->newId();
        // Everything that can fail comes before the stream takes the entries over.
        made_.reserve(made_.size() + 1);
        auto stream =
            std::make_unique<OverlayStream>(this, id, std::move(entries), name, language, region);
        streams_.insert_or_assign(id, stream.get());
        made_.push_back(std::move(stream));
        return true;
    });
}

template <class Format>
void SubtitleParserTemplate<Format>::setLocation(const String& location) {
    std::lock_guard guard(lock_);
    location_ = location;
}

}  // namespace Tork

#include "subtitle/OverlayStream.h"
