// Seeks, key-time queries and reads of an overlay stream over 1,000,000 overlapping subtitles.
#include "framework/MediaBuffer.h"
#include "host/ContainerSession.h"
#include "host/ManualClock.h"
#include "host/SettingsContext.h"
#include "subtitle/SubtitleContainer.h"
#include "tests/subtitle/TestContainer.h"

#include <benchmark/benchmark.h>

#include <algorithm>

#include <mutex>
#include <random>
#include <vector>

namespace Tork {
namespace {

constexpr std::uint32_t entryCount = 1'000'000;

// Subtitles every 2 s, shown 1.5 to 4 s, every hundredth for a minute; in file order
// shuffled a little, as real files are.
std::vector<Testing::EntryRow> makeEntries(std::mt19937& random) {
    std::vector<Testing::EntryRow> entries;
    entries.reserve(entryCount);
    std::uniform_int_distribution<std::int32_t> shown(1500, 4000);
    for (std::uint32_t i = 0; i < entryCount; ++i) {
        const std::uint32_t start = i * 2000 + static_cast<std::uint32_t>(random() % 700);
        entries.push_back({start, i % 100 == 0 ? 60000 : shown(random), std::string(24, 'x')});
    }
    return entries;
}

struct Loaded {
    Loaded() {
        std::mt19937 random(1);
        container.initialize(&context, 1);
        if (!container.load(makeEntries(random))) std::abort();
        container.selectProgram(container.getProgramIds().head->value);
        stream = context.streamsAdded().at(0);
        stream->setClock(&clock);
        std::uniform_int_distribution<std::uint32_t> time(0, entryCount * 2000);
        for (std::uint32_t& t : times) t = time(random);
    }

    Host::SettingsContext context;
    Testing::TestContainer container;
    Host::ManualClock clock{0x7FFFFFFF};
    StreamInterface* stream;
    std::uint32_t times[4096];
};

Loaded& loaded() {
    static Loaded bench;
    return bench;
}

void BM_SeekStream(benchmark::State& state) {
    Loaded& bench = loaded();
    bench.stream->setRate(static_cast<std::int32_t>(state.range(0)));
    std::uint32_t result = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        bench.stream->seekStream(bench.times[i++ % std::size(bench.times)], &result, 0);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_SeekStream)->Arg(1000)->Arg(-1000);

void BM_FindKeyTime(benchmark::State& state) {
    Loaded& bench = loaded();
    bench.stream->setRate(static_cast<std::int32_t>(state.range(0)));
    std::uint32_t result = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        bench.stream->findKeyTime(0, bench.times[i++ % std::size(bench.times)], &result);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FindKeyTime)->Arg(1000)->Arg(-1000);

// One chunk handed out and released per iteration; a seek back to the start every
// 1,000,000 reads.
void BM_ReadStream(benchmark::State& state) {
    Loaded& bench = loaded();
    bench.stream->setRate(1000);
    std::uint32_t result = 0;
    bench.stream->seekStream(0, &result, 0);
    for (auto _ : state) {
        MediaChunk* chunk = nullptr;
        bench.stream->readStream(&chunk);
        if (!chunk) {
            bench.stream->seekStream(0, &result, 0);
            continue;
        }
        chunk->release();
    }
}
BENCHMARK(BM_ReadStream);

// The same reads as a host kit's reader makes them: each chunk copied into one entry and
// released.
void BM_ReadEntry(benchmark::State& state) {
    Loaded& bench = loaded();
    bench.stream->setRate(1000);
    std::uint32_t result = 0;
    bench.stream->seekStream(0, &result, 0);
    Host::Entry entry;
    for (auto _ : state) {
        if (Host::readEntry(*bench.stream, entry) != Host::ReadOutcome::Entry) {
            bench.stream->seekStream(0, &result, 0);
        }
    }
    benchmark::DoNotOptimize(entry.text.data());
}
BENCHMARK(BM_ReadEntry);

// For scale: the part of each read that is the chunk itself, made with a copy of a text as
// readStream makes it and released as a host releases it.
void BM_ChunkMadeAndReleased(benchmark::State& state) {
    const std::string text(24, 'x');
    for (auto _ : state) {
        MediaChunk* chunk = handOutCopy(text.data(), 24);
        benchmark::DoNotOptimize(chunk);
        chunk->release();
    }
}
BENCHMARK(BM_ChunkMadeAndReleased);

}  // namespace
}  // namespace Tork
