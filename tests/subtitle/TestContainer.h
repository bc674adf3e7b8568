// A minimal format over the subtitle container, and entry helpers, for the subtitle tests.
#pragma once

#include "framework/MediaBuffer.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "host/ManualClock.h"
#include "host/SettingsContext.h"
#include "subtitle/EntryStore.h"
#include "subtitle/SubtitleContainer.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Tork::Testing {

struct EntryRow {
    std::uint32_t timestamp;
    std::int32_t duration;
    std::string text = "text";
};

/// Entries as a parser makes them, each text a copy.
inline EntryStore makeEntries(const std::vector<EntryRow>& rows) {
    EntryStore entries;
    for (const EntryRow& row : rows) entries.addCopy(row.timestamp, row.duration, row.text);
    return entries;
}

inline std::string textOf(MediaChunk& chunk) {
    const auto* data = chunk.lockData();
    std::string text(reinterpret_cast<const char*>(data), data ? chunk.getCapacity() : 0);
    chunk.unlockData();
    return text;
}

class TestContainer : public SubtitleContainer {
public:
    TestContainer() : SubtitleContainer("Tork::Testing::TestContainer") {}

    bool probe(const Location*, std::uint64_t, std::vector<StreamFormat>*) override {
        return false;
    }
    void notify(std::uint32_t) override {}
    std::int32_t request(std::uint32_t) override { return Result::Failure; }
    std::int32_t open(const Location*) override { return Result::Failure; }
    std::int32_t findMimeType(const String&) override { return -1; }
    std::int32_t getMimeTypeCount() override { return 0; }
    String getMimeType(std::uint32_t) override { return String(); }
    std::int32_t getMimeTypePriority(std::uint32_t) override { return 0; }
    void fillStreamFormat(StreamFormat* format) override { std::memcpy(format->code, "UTF8", 5); }

    /// Adds a stream as open does; false when addStream refuses.
    bool load(const std::vector<EntryRow>& rows, const char* language = "", const char* region = "",
              const char* name = "") {
        std::lock_guard guard(lock_);
        return addStream(makeEntries(rows), String(name), String(language), String(region));
    }
    void recordLocation(const std::string& path) { setLocation(String(path)); }
};

/// A container with a context, as a host sets it up.
struct Harness {
    static constexpr std::uint64_t containerId = 0x0000000700000003ull;

    Harness() { container.initialize(&context, containerId); }

    /// Loads one stream and has the host select it: the stream the host was handed.
    StreamInterface* stream(const std::vector<EntryRow>& rows, const char* language = "",
                            const char* region = "", const char* name = "") {
        if (!container.load(rows, language, region, name)) return nullptr;
        const std::uint64_t program = container.getProgramIds().head->value;
        if (container.selectProgram(program) != Result::Ok) return nullptr;
        return context.streamsAdded().back();  // ids ascend, so the newest is last
    }

    Host::SettingsContext context;
    TestContainer container;
};

/// The subtitles X, Y and Z: ends 3000, 6000, 9500.
inline const std::vector<EntryRow> xyz = {{1000, 2000, "X"}, {5000, 1000, "Y"}, {9000, 500, "Z"}};

}  // namespace Tork::Testing
