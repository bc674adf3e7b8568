// The format-independent half of a subtitle container: entries, streams, program, close.
#include "subtitle/SubtitleContainer.h"

#include "framework/ContainerContext.h"
#include "framework/OrOnException.h"
#include "framework/ResultCode.h"
#include "subtitle/FileSize.h"
#include "subtitle/LanguageCodeTable.h"
#include "subtitle/OverlayStream.h"

#include <mutex>
#include <optional>
#include <utility>

namespace Tork {

SubtitleContainer::SubtitleContainer(std::string_view formatName) : StreamOwner(formatName) {}

SubtitleContainer::~SubtitleContainer() = default;

String SubtitleContainer::getLocation() {
    return orOnException(String(), [this] {
        std::lock_guard guard(lock_);
        return String(location_);
    });
}

List<std::uint64_t> SubtitleContainer::getProgramIds() {
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

std::int32_t SubtitleContainer::selectProgram(std::uint64_t programId) {
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
std::uint64_t SubtitleContainer::chooseStream() const {
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

std::int32_t SubtitleContainer::close(bool flag) {
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

std::int32_t SubtitleContainer::getFileSize(std::uint64_t* size) {
    if (!size) return Result::Failure;
    return orOnException(Result::Failure, [&] {
        const String location = getLocation();
        const std::optional<std::uint64_t> bytes = fileSize(location);
        if (!bytes) return Result::Failure;
        *size = *bytes;
        return Result::Ok;
    });
}

bool SubtitleContainer::addStream(EntryStore entries, const String& name, const String& language,
                                  const String& region) {
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

void SubtitleContainer::setLocation(const String& location) {
    std::lock_guard guard(lock_);
    location_ = location;
}

}  // namespace Tork
