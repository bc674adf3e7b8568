#include "tools/subplay/Writers.h"

#include "tools/subplay/BufferedWriter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Tork::Subplay {

namespace {

// Scales and moves every entry before another writer sees it.
class TimingWriter : public EntryWriter {
public:
    TimingWriter(std::unique_ptr<EntryWriter> next, double scale, std::int64_t offset)
        : next_(std::move(next)), scale_(scale), offset_(offset) {}
    void begin(const StreamDescription& stream) override { next_->begin(stream); }
    void write(const EntryView& entry) override {
        constexpr std::int64_t last = std::numeric_limits<std::uint32_t>::max();
        const std::int64_t start = moved(entry.start);
        const std::int64_t end = moved(cueEnd(entry.start, entry.duration));
        // Wholly outside the clock's range: no host could show it.
        if (end < 0 || (end == 0 && start < 0) || start > last) return;
        EntryView shown = entry;
        shown.start = static_cast<std::uint32_t>(std::clamp<std::int64_t>(start, 0, last));
        if (entry.duration >= 0 || start < 0) {
            const std::int64_t length = std::min(end, last) - shown.start;
            shown.duration = static_cast<std::int32_t>(
                std::min<std::int64_t>(length, std::numeric_limits<std::int32_t>::max()));
        }
        next_->write(shown);
    }
    void end() override { next_->end(); }

private:
    std::int64_t moved(std::uint32_t time) const {
        // Far enough past the clock either way to be left out, yet never overflowing.
        constexpr long double bound = 1e15L;
        return std::llround(std::clamp(time * static_cast<long double>(scale_), -bound, bound)) +
               offset_;
    }

    std::unique_ptr<EntryWriter> next_;
    double scale_;
    std::int64_t offset_;
};

std::unique_ptr<EntryWriter> makePlainWriter(OutputFormat format, std::ostream& out,
                                             Host::FrameRatio rate) {
    switch (format) {
        case OutputFormat::Sub:
            return makeMicroDvdWriter(out, rate);
        case OutputFormat::Json:
            return makeJsonWriter(out);
        case OutputFormat::Srt:
            return makeSrtWriter(out);
        case OutputFormat::Vtt:
            return makeVttWriter(out);
        case OutputFormat::Text:
            break;
    }
    return makeTextWriter(out);
}

}  // namespace

std::unique_ptr<EntryWriter> makeWriter(OutputFormat format, std::ostream& out,
                                        const Timing& timing) {
    auto writer = makePlainWriter(format, out, timing.rate);
    if (timing.offset == 0 && timing.scale == 1.0) return writer;
    return std::make_unique<TimingWriter>(std::move(writer), timing.scale, timing.offset);
}

}  // namespace Tork::Subplay
