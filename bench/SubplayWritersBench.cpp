// subplay's writers over 200,000 entries like the plug-in hands out for bench/peers.sh's
// file: by turns plain, two lines, italic with a dialogue line and coloured, with Polish
// letters. The writing alone, in process, without the plug-in's open and reads.
#include "host/Markup.h"
#include "tools/subplay/Writers.h"

#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>
#include <vector>

namespace Tork::Subplay {
namespace {

class NullBuffer : public std::streambuf {
protected:
    std::streamsize xsputn(const char*, std::streamsize size) override { return size; }
    int overflow(int c) override { return traits_type::not_eof(c); }
};

const std::vector<Entry>& entries() {
    static const std::vector<Entry> made = [] {
        const char* const texts[] = {
            "dom ślad żółty ślad ćma",
            "był źródło\nksiężyc chrząszcz",
            "<i>chrząszcz świt chrząszcz</i>\n- świt chrząszcz źródło dworzec",
            "<font color=\"#FF0000\">pies wieczorem chrząszcz miasto ślad księżyc</font>",
        };
        std::vector<Entry> list;
        std::uint32_t start = 4000;
        for (std::uint32_t i = 0; i < 200'000; ++i) {
            list.push_back({start, static_cast<std::int32_t>(800 + i * 7919 % 4040), texts[i % 4]});
            start += 400 + i * 104729 % 2040;
        }
        return list;
    }();
    return made;
}

void BM_Write(benchmark::State& state, OutputFormat format) {
    NullBuffer buffer;
    std::ostream out(&buffer);
    // With a reading report, as subplay describes the plug-in's stream.
    const StreamDescription stream{"big.sub", "UTF8", 320, "", "UTF-8", Host::OpenReport{}};
    for (auto _ : state) {
        const auto writer = makeWriter(format, out, Timing{1.0, 0, Host::FrameRatio{25, 1}});
        writer->begin(stream);
        for (const Entry& entry : entries()) writer->write(entry);
        writer->end();
    }
}
BENCHMARK_CAPTURE(BM_Write, srt, OutputFormat::Srt)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, vtt, OutputFormat::Vtt)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, json, OutputFormat::Json)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, text, OutputFormat::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, sub, OutputFormat::Sub)->Unit(benchmark::kMillisecond);

class CountingSink : public Host::MarkupSink {
public:
    void text(std::string_view bytes) override { count += bytes.size(); }
    void open(const Host::MarkupSpan&) override { ++count; }
    void close(const Host::MarkupSpan&) override { ++count; }
    std::size_t count = 0;
};

// The mark-up reader alone over the same texts, into a sink that only counts: the part of
// the srt and vtt writing that is the reading.
void BM_MarkupRead(benchmark::State& state) {
    CountingSink sink;
    Host::MarkupReader reader;
    for (auto _ : state) {
        for (const Entry& entry : entries()) reader.read(entry.text, sink);
    }
    benchmark::DoNotOptimize(sink.count);
}
BENCHMARK(BM_MarkupRead)->Unit(benchmark::kMillisecond);

// One of those texts, again and again: 0 plain, 1 two lines, 2 italic, 3 coloured.
void BM_MarkupReadOne(benchmark::State& state) {
    CountingSink sink;
    Host::MarkupReader reader;
    const std::string_view text = entries()[static_cast<std::size_t>(state.range(0))].text;
    for (auto _ : state) reader.read(text, sink);
    benchmark::DoNotOptimize(sink.count);
}
BENCHMARK(BM_MarkupReadOne)->DenseRange(0, 3);

}  // namespace
}  // namespace Tork::Subplay
