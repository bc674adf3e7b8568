// A subtitle file's whole road: bytes become a file that a host probes, opens, plays both
// ways, seeks and closes. The first bytes choose the host's settings; the rest is the file.
#include "framework/ContainerContext.h"
#include "framework/List.h"
#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "fuzz/FuzzCheck.h"
#include "host/ManualClock.h"
#include "host/RecordingPluginHost.h"
#include "host/SettingsContext.h"
#include "host/UrlLocation.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/platform/TempFolder.h"
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
        context.setSetting("CodePage", "OverrideEmbedded", choices.overrideEmbedded == 2);
    if (choices.overrideEmbedded == 3)
        context.setSetting("CodePage", "OverrideEmbedded", std::string("yes"));
    if (choices.codePage) context.setSetting("CodePage", "Name", std::string(choices.codePage));
    if (choices.rateAnswer < 2) context.setSetting("FrameRate", "Ratio", choices.ratio);
    if (choices.rateAnswer == 2) context.setSetting("FrameRate", "Ratio", std::string("25"));
}

struct Entry {
    std::uint32_t start;
    std::int32_t duration;
    std::string text;
    bool operator==(const Entry&) const = default;
};

// Every chunk handed to the host is UTF-8 text without zero bytes, and it owns its bytes.
Entry take(MediaChunk* chunk) {
    const std::int32_t size = chunk->sizeField();
    FUZZ_CHECK(size >= 0 && size <= chunk->getCapacity());
    const unsigned char* data = chunk->lockData();
    FUZZ_CHECK(size == 0 || data != nullptr);
    Entry entry{chunk->timestamp, chunk->duration,
                std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size))};
    chunk->unlockData();
    chunk->release();
    FUZZ_CHECK(isWellFormedUtf8(entry.text));
    FUZZ_CHECK(entry.text.find('\0') == std::string::npos);
    return entry;
}

// Reads until nothing more is due. A file of n bytes holds fewer than n entries.
std::vector<Entry> readAll(StreamInterface& stream, std::size_t fileSize) {
    std::vector<Entry> entries;
    for (;;) {
        MediaChunk* chunk = nullptr;
        const std::int32_t result = stream.readStream(&chunk);
        FUZZ_CHECK(result == Result::Ok || result == Result::NotYet);
        FUZZ_CHECK(result == Result::Ok || chunk == nullptr);
        if (!chunk) break;
        entries.push_back(take(chunk));
        FUZZ_CHECK(entries.size() <= fileSize);
    }
    return entries;
}

void readOne(StreamInterface& stream) {
    MediaChunk* chunk = nullptr;
    if (stream.readStream(&chunk) == Result::Ok && chunk) take(chunk);
}

void play(StreamInterface& stream, Host::ManualClock& clock, const Choices& choices,
          std::size_t fileSize) {
    FUZZ_CHECK(stream.setClock(&clock) == Result::Ok);

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
    const std::string path = folder.write(choices.textExtension ? "input.txt" : "input.sub", file);
    const Host::UrlLocation location("file://" + path);

    Host::RecordingPluginHost host(choices.hostAccepts);
    SettingsContext context;
    configure(context, choices);
    auto* container = new MicroDVDContainer(&host);
    container->initialize(&context, 0x0000000200000003ull);

    std::vector<StreamFormat> formats;
    const bool probed = container->probe(location.get(), 0, &formats);
    FUZZ_CHECK(!probed || choices.hostAccepts);
    FUZZ_CHECK(formats.size() <= (choices.hostAccepts ? 0u : 1u));

    int opened = 0;
    for (int i = 0; i < (choices.openTwice ? 2 : 1); ++i) {
        if (container->open(location.get()) == Result::Ok) ++opened;
    }
    const List<std::uint64_t> programs = container->getProgramIds();
    FUZZ_CHECK(programs.count == 1);
    FUZZ_CHECK(container->selectProgram(programs.head->value) == Result::Ok);
    // A failed open leaves no stream behind.
    const std::vector<StreamInterface*> streams = context.streamsAdded();
    FUZZ_CHECK(streams.size() == static_cast<std::size_t>(opened));
    // The stream keeps the clock until the container goes.
    Host::ManualClock clock(std::numeric_limits<std::int32_t>::max());
    if (!streams.empty()) play(*streams.back(), clock, choices, file.size());

    if (choices.close) {
        FUZZ_CHECK(container->close(false) == Result::Ok);
        FUZZ_CHECK(context.streamsRemoved().size() == streams.size());
        for (StreamInterface* stream : streams) {
            MediaChunk* chunk = nullptr;
            stream->readStream(&chunk);
            FUZZ_CHECK(chunk == nullptr);
        }
    }
    FUZZ_CHECK(container->release() == 0);
    FUZZ_CHECK(host.records().size() == 2);
}

}  // namespace
}  // namespace Tork

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < Tork::kChoiceBytes) return -1;  // not added to the corpus
    const Tork::Choices choices = Tork::choose(data);
    Tork::run(choices, std::string_view(reinterpret_cast<const char*>(data) + Tork::kChoiceBytes,
                                        size - Tork::kChoiceBytes));
    return 0;
}
