#include "tools/subplay/Stream.h"

#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "host/SettingsContext.h"

#include <cstring>

namespace Tork::Subplay {

void applySettings(Host::SettingsContext& context, const Options& options) {
    // Encoding signatures are honoured unless the user says otherwise, so always answer.
    context.set(Host::Settings::overrideEmbeddedSignature(options.ignoreSignature));
    if (options.encoding) context.set(Host::Settings::codePageName(*options.encoding));
    if (options.frameRate) {
        context.set(Host::Settings::frameRateFramesPerSeconds(options.frameRate->frames,
                                                              options.frameRate->seconds));
    }
    if (options.language) context.setPreferredLanguage(*options.language);
    if (!options.strict) Host::setPlayerPreset(context);
}

StreamDescription describeStream(StreamInterface& stream) {
    StreamDescription description;
    String name, language;
    if (stream.getInfo(&name, &language, nullptr, /*reserved*/ 0)) {
        description.name = std::string(name.text());
        description.language = std::string(language.text());
    }
    if (const StreamFormat* format = stream.getFormat()) {
        description.format.assign(format->code, strnlen(format->code, sizeof format->code));
    }
    description.type = stream.getStreamType();
    return description;
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
    clock.set(Host::latestClockTime);
    stream.setClock(&clock);
    ReadSummary summary;
    writer.begin(description);
    // The text is written from the chunk itself: a copy of a large entry would cost as
    // much memory again.
    Host::EntryChunk entry;
    bool skipped = false;
    for (;;) {
        const Host::ReadOutcome outcome = Host::readEntryChunk(stream, entry);
        if (outcome == Host::ReadOutcome::End) break;
        if (outcome == Host::ReadOutcome::Entry) {
            writer.write({entry.start(), entry.duration(), entry.text()});
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
