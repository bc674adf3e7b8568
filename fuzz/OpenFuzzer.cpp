// A subtitle file's whole road: bytes become a file that a host probes, opens, plays both
// ways, seeks and closes. The first bytes choose the host's settings; the rest is the file,
// read once as a host that asks for nothing more, once leniently with charset detection.
#include "framework/ContainerContext.h"
#include "framework/List.h"
#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "fuzz/FuzzCheck.h"
#include "host/ContainerSession.h"
#include "host/SettingsContext.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/support/TempFolder.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {
namespace {

using Host::SettingsContext;

// Halves of the host's frame-rate ratio: zero, usual values and the 32-bit extremes.
constexpr std::uint32_t kRatioValues[] = {0, 1, 25, 1001, 24000, 30000, 0x80000000u, 0xFFFFFFFFu};

// Converter names a host might set; null leaves "CodePage"/"Name" unanswered.
constexpr const char* kCodePages[] = {
    nullptr, "windows-1252", "UTF16-LE", "UTF16-BE", "UTF32-BE", "UTF8", "Shift_JIS", "no-such",
};

constexpr std::size_t kChoiceBytes = 3;

// What the first three bytes choose:
//   byte 0: bits 0-1 "OverrideEmbedded" (0 unanswered, 1 false, 2 true, 3 a text answer),
//           bits 2-4 code page, bit 5 ".txt", bit 6 host accepts formats, bit 7 no close
//   byte 1: bits 0-2 and 3-5 the ratio's halves; bits 6-7: 0-1 a ratio, 2 a text answer,
//           3 unanswered
//   byte 2: bits 0-6 a seek time in seconds, bit 7 open twice
struct Choices {
    std::uint8_t overrideEmbedded;
    const char* codePage;
    bool textExtension;
    bool hostAccepts;
    bool close;
    std::uint8_t rateAnswer;
    SettingsContext::Ratio ratio;
    std::uint32_t seekTime;
    bool openTwice;
    bool lenientAndDetect = false;
};

Choices choose(const std::uint8_t* bytes) {
    return {
        static_cast<std::uint8_t>(bytes[0] & 3),
        kCodePages[(bytes[0] >> 2) & 7],
        (bytes[0] & 0x20) != 0,
        (bytes[0] & 0x40) != 0,
        (bytes[0] & 0x80) == 0,
        static_cast<std::uint8_t>(bytes[1] >> 6),
        {kRatioValues[bytes[1] & 7], kRatioValues[(bytes[1] >> 3) & 7]},
        (bytes[2] & 0x7Fu) * 1000u,
        (bytes[2] & 0x80) != 0,
    };
}

void configure(SettingsContext& context, const Choices& choices) {
    if (choices.overrideEmbedded == 1 || choices.overrideEmbedded == 2)
        context.set(Host::Settings::overrideEmbeddedSignature(choices.overrideEmbedded == 2));
    if (choices.overrideEmbedded == 3)
        context.setAnyAnswer("CodePage", "OverrideEmbedded", std::string("yes"));
    if (choices.codePage) context.set(Host::Settings::codePageName(std::string(choices.codePage)));
    if (choices.rateAnswer < 2) context.setAnyAnswer("FrameRate", "Ratio", choices.ratio);
    if (choices.rateAnswer == 2) context.setAnyAnswer("FrameRate", "Ratio", std::string("25"));
    if (choices.lenientAndDetect) {
        Host::setPlayerPreset(context);
    }
}

using Host::Entry;

// Every chunk handed to the host is UTF-8 text without zero bytes, and it owns its bytes.
Entry take(Host::OwnedChunk chunk) {
    const std::int32_t size = chunk->sizeField();
    FUZZ_CHECK(size >= 0 && size <= chunk->getCapacity());
    FUZZ_CHECK(size == 0 || chunk->lockData() != nullptr);
    chunk->unlockData();
    Entry entry = Host::entryOf(*chunk);
    FUZZ_CHECK(isWellFormedUtf8(entry.text));
    FUZZ_CHECK(entry.text.find('\0') == std::string::npos);
    return entry;
}

// Reads until nothing more is due. A file of n bytes holds fewer than n entries.
std::vector<Entry> readAll(StreamInterface& stream, std::size_t fileSize) {
    std::vector<Entry> entries;
    for (;;) {
        Host::OwnedChunk chunk;
        if (Host::readChunk(stream, chunk) != Host::ReadOutcome::Entry) break;
        entries.push_back(take(std::move(chunk)));
        FUZZ_CHECK(entries.size() <= fileSize);
    }
    return entries;
}

void readOne(StreamInterface& stream) {
    Host::OwnedChunk chunk;
    if (Host::readChunk(stream, chunk) == Host::ReadOutcome::Entry) take(std::move(chunk));
}

void play(StreamInterface& stream, const Choices& choices, std::size_t fileSize) {
    FUZZ_CHECK(stream.setRate(1000));
    FUZZ_CHECK(stream.reset() == Result::Ok);
    const std::vector<Entry> forwards = readAll(stream, fileSize);
    FUZZ_CHECK(std::is_sorted(forwards.begin(), forwards.end(),
                              [](const Entry& a, const Entry& b) { return a.start < b.start; }));
    FUZZ_CHECK(stream.setRate(-1000));
    FUZZ_CHECK(stream.reset() == Result::Ok);
    const std::vector<Entry> backwards = readAll(stream, fileSize);
    // Backwards starts at the latest entry; once that is due, every entry is.
    if (!backwards.empty())
        FUZZ_CHECK(
            std::equal(backwards.begin(), backwards.end(), forwards.rbegin(), forwards.rend()));

    std::vector<std::uint32_t> times = {0,           1,           500,        choices.seekTime,
                                        0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    if (!forwards.empty()) {
        const Entry& first = forwards.front();
        times.insert(times.end(), {first.start - 1, first.start, first.start + 1,
                                   first.start + static_cast<std::uint32_t>(first.duration)});
    }
    for (const std::int32_t rate : {1000, -1000}) {
        FUZZ_CHECK(stream.setRate(rate));
        for (const std::uint32_t time : times) {
            std::uint32_t result = 0;
            FUZZ_CHECK(stream.seekStream(time, &result, 0) == Result::Ok);
            readOne(stream);
            FUZZ_CHECK(stream.findKeyTime(0, time, &result) == Result::Ok);
        }
    }
    // Stopped: nothing is handed out, and seeking may be refused.
    FUZZ_CHECK(stream.setRate(0));
    MediaChunk* chunk = nullptr;
    FUZZ_CHECK(stream.readStream(&chunk) == Result::Ok && chunk == nullptr);
    std::uint32_t result = 0;
    const std::int32_t sought = stream.seekStream(choices.seekTime, &result, 0);
    FUZZ_CHECK(sought == Result::Ok || sought == Result::Failure);
    FUZZ_CHECK(stream.setRate(1000));
    FUZZ_CHECK(stream.reset() == Result::Ok);
}

void run(const Choices& choices, std::string_view file) {
    static const Testing::TempFolder folder;
    const std::string url =
        "file://" + folder.write(choices.textExtension ? "input.txt" : "input.sub", file);

    using Session = Host::ContainerSession;
    Session session([](PluginHost* host) { return new MicroDVDContainer(host); });
    session.host().setAcceptFormats(choices.hostAccepts);
    configure(session.context(), choices);

    std::vector<StreamFormat> formats;
    const bool probed = session.probe(Host::FileUrl(url), &formats);
    FUZZ_CHECK(!probed || choices.hostAccepts);
    FUZZ_CHECK(formats.size() <= (choices.hostAccepts ? 0u : 1u));

    int opened = 0;
    for (int i = 0; i < (choices.openTwice ? 2 : 1); ++i) {
        const Session::OpenOutcome outcome = session.open(Host::FileUrl(url));
        FUZZ_CHECK(outcome != Session::OpenOutcome::NoStream);
        if (outcome == Session::OpenOutcome::Opened) ++opened;
    }
    // A failed open leaves no stream behind.
    if (opened == 0) {
        FUZZ_CHECK(session.selectProgram() == Session::OpenOutcome::NoStream);
        FUZZ_CHECK(session.context().streamsAdded().empty());
    }
    session.clock().set(std::numeric_limits<std::int32_t>::max());
    if (StreamInterface* stream = session.stream()) {
        FUZZ_CHECK(stream->setClock(&session.clock()) == Result::Ok);
        play(*stream, choices, file.size());
    }

    if (choices.close) {
        const std::vector<StreamInterface*> streams = session.context().streamsAdded();
        FUZZ_CHECK(session.close() == Result::Ok);
        std::vector<std::uint64_t> ids;
        for (StreamInterface* stream : streams) {
            Host::OwnedChunk chunk;
            FUZZ_CHECK(Host::readChunk(*stream, chunk) != Host::ReadOutcome::Entry);
            if (std::find(ids.begin(), ids.end(), stream->id()) == ids.end())
                ids.push_back(stream->id());
        }
        FUZZ_CHECK(session.context().streamsRemoved().size() == ids.size());
    }
    session.release();
    FUZZ_CHECK(session.host().records().size() == 2);
}

}  // namespace
}  // namespace Tork

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < Tork::kChoiceBytes) return -1;  // not added to the corpus
    Tork::Choices choices = Tork::choose(data);
    const std::string_view file(reinterpret_cast<const char*>(data) + Tork::kChoiceBytes,
                                size - Tork::kChoiceBytes);
    for (const bool lenientAndDetect : {false, true}) {
        choices.lenientAndDetect = lenientAndDetect;
        Tork::run(choices, file);
    }
    return 0;
}
