#include "tools/subplay/Session.h"

#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/MediaBuffer.h"
#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "host/UrlLocation.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace Tork::Subplay {

namespace {

struct ChunkRelease {
    void operator()(MediaChunk* chunk) const { chunk->release(); }
};
using OwnedChunk = std::unique_ptr<MediaChunk, ChunkRelease>;

}  // namespace

Session::Session(const Host::PluginLibrary& library, const HostSettings& settings) {
    if (!library.loaded()) {
        error_ = library.error();
        return;
    }
    // Encoding signatures are honoured unless the user says otherwise, so always answer.
    context_.setSetting("CodePage", "OverrideEmbedded", settings.ignoreSignature);
    if (settings.encoding) context_.setSetting("CodePage", "Name", *settings.encoding);
    if (settings.frameRate) {
        context_.setSetting("FrameRate", "Ratio",
                            Host::SettingsContext::Ratio{settings.frameRate->denominator,
                                                         settings.frameRate->numerator});
    }
    if (settings.language) context_.setPreferredLanguage(*settings.language);

    plugin_ = library.create(&host_);
    if (!plugin_) {
        error_ = "the plug-in made no component";
        return;
    }
    void* face = nullptr;
    if (plugin_->queryInterface(InterfaceId::container, &face) != Result::Ok || !face) {
        error_ = "the plug-in has no container interface";
        return;
    }
    container_ = static_cast<ContainerInterface*>(face);
    container_->initialize(&context_, context_.newId());
}

Session::~Session() {
    if (opened_) container_->close(/*flag*/ false);
    if (plugin_) plugin_->release();
}

bool Session::probe(const std::string& url) {
    if (!container_) return false;
    const Host::UrlLocation location(url);
    std::vector<StreamFormat> formats;
    return container_->probe(location.get(), /*reserved*/ 0, &formats);
}

Session::OpenOutcome Session::open(const std::string& url) {
    if (!container_) return OpenOutcome::Refused;
    const Host::UrlLocation location(url);
    if (container_->open(location.get()) != Result::Ok) {
        error_ = "the plug-in could not open it";
        return OpenOutcome::Refused;
    }
    opened_ = true;
    const List<std::uint64_t> programs = container_->getProgramIds();
    if (!programs.head) {
        error_ = "the plug-in lists no program";
        return OpenOutcome::NoStream;
    }
    if (container_->selectProgram(programs.head->value) != Result::Ok) {
        error_ = "the plug-in refused its own program";
        return OpenOutcome::NoStream;
    }
    const auto selected = context_.streamsSelected();
    const auto added = context_.streamsAdded();
    if (!selected.empty()) {
        const auto found = std::find_if(added.begin(), added.end(), [&](StreamInterface* s) {
            return s->id() == selected.back().first;
        });
        if (found != added.end()) stream_ = *found;
    }
    if (!stream_) {
        error_ = "the plug-in selected no stream";
        return OpenOutcome::NoStream;
    }
    return OpenOutcome::Opened;
}

StreamDescription Session::describeStream() const {
    StreamDescription description;
    if (!stream_) return description;
    String name;
    if (stream_->getInfo(&name, nullptr, nullptr, /*reserved*/ 0)) {
        description.name = std::string(name.text());
    }
    if (const StreamFormat* format = stream_->getFormat()) {
        description.format.assign(format->code, strnlen(format->code, sizeof format->code));
    }
    description.type = stream_->getStreamType();
    return description;
}

ReadOutcome readEntry(StreamInterface& stream, Entry& entry) {
    MediaChunk* raw = nullptr;
    const std::int32_t result = stream.readStream(&raw);
    OwnedChunk chunk(raw);
    if (result == Result::NotYet) return ReadOutcome::NotYet;
    if (!chunk) return ReadOutcome::End;
    entry.start = chunk->timestamp;
    entry.duration = chunk->duration;
    const std::int32_t capacity = chunk->getCapacity();
    const std::int32_t size = chunk->sizeField();
    const std::int32_t length = size >= 0 && size < capacity ? size : capacity;
    const unsigned char* data = chunk->lockData();
    entry.text.assign(reinterpret_cast<const char*>(data),
                      data && length > 0 ? static_cast<std::size_t>(length) : 0);
    chunk->unlockData();
    return ReadOutcome::Entry;
}

void positionStream(StreamInterface& stream, const ReadPosition& position) {
    if (position.reverse) {
        stream.setRate(-1000);
        stream.reset();
    }
    if (position.seek) {
        std::uint32_t found = 0;
        stream.seekStream(*position.seek, &found, /*reserved*/ 0);
    }
}

std::optional<std::uint32_t> lastEntryEnd(StreamInterface& stream) {
    if (stream.getRate() <= 0) return std::nullopt;
    std::uint32_t end = 0;
    constexpr std::uint32_t beyondAll = 0xFFFFFFFFu;
    if (stream.findKeyTime(/*reserved*/ 0, beyondAll, &end) != Result::Ok) return std::nullopt;
    // An empty stream echoes the time asked for.
    if (end == beyondAll) return std::nullopt;
    return end;
}

ReadSummary readAll(StreamInterface& stream, Host::ManualClock& clock,
                    const StreamDescription& description, EntryWriter& writer) {
    clock.set(latestClockTime);
    stream.setClock(&clock);
    ReadSummary summary;
    writer.begin(description);
    Entry entry;
    bool skipped = false;
    for (;;) {
        const ReadOutcome outcome = readEntry(stream, entry);
        if (outcome == ReadOutcome::End) break;
        if (outcome == ReadOutcome::Entry) {
            writer.write(entry);
            ++summary.entries;
            continue;
        }
        // Not due even now: the entry starts later than any clock time.
        summary.unreachable = true;
        if (stream.getRate() >= 0 || skipped) break;
        // Backwards, the unreachable entries come first: step over them to the rest.
        std::uint32_t found = 0;
        stream.seekStream(latestReachableStart + 1, &found, /*reserved*/ 0);
        skipped = true;
    }
    writer.end();
    return summary;
}

}  // namespace Tork::Subplay
