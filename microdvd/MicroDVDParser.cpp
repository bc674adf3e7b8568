#include "microdvd/MicroDVDParser.h"

#include "framework/Logger.h"
#include "framework/MediaBuffer.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/LineCodes.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
#include "microdvd/OpenEnds.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace Tork {
namespace {

constexpr std::size_t kMaxDeclarationLength = 100;

// A zero-terminated copy from new[], or null for the empty text: a chunk of capacity 0
// never frees its block, so it must not own one.
std::unique_ptr<unsigned char[]> copyText(std::string_view text) {
    if (text.empty()) return nullptr;
    std::unique_ptr<unsigned char[]> block(new unsigned char[text.size() + 1]);
    std::memcpy(block.get(), text.data(), text.size());
    block[text.size()] = 0;
    return block;
}

MediaChunk* makeEntry(MediaBufferAllocator& allocator, std::string_view text, std::uint32_t start,
                      std::uint32_t end) {
    auto block = copyText(text);
    const auto length = static_cast<std::int32_t>(text.size());
    MediaChunk* chunk = allocator.create(block.get(), length);
    block.release();
    chunk->sizeField() = length;
    chunk->timestamp = start;
    chunk->duration = static_cast<std::int32_t>(end - start);
    const unsigned char* data = chunk->lockData();
    Logger::instance()->write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                              "got subtitle start: %d duration: %d '%s'", chunk->timestamp,
                              chunk->duration, data ? reinterpret_cast<const char*>(data) : "");
    chunk->unlockData();
    return chunk;
}

bool startsWithCode(std::string_view text) {
    return !text.empty() && (text[0] == '/' || text[0] == '\\' || text[0] == '{');
}

// A line as the chosen reading sees it.
struct FrameLine {
    enum class Verdict : std::uint8_t { Frames, Skip, Fail } verdict = Verdict::Fail;
    const char* why = "";  // for Skip
    std::int32_t start = 0;
    std::optional<std::int32_t> end;  // none: lasts until the next start
    std::string_view text;            // may be empty: no entry
};

// Why the lenient reading skips a line, in a few words for the log; null when it reads it.
const char* skipReason(const LenientLine& scanned) {
    switch (scanned.shape) {
        case LenientLine::Shape::Blank:
            return "white space only";
        case LenientLine::Shape::NoFrames:
            return "no {start}{end} at its start";
        case LenientLine::Shape::Frames:
            break;
    }
    // Shifted by an editor to before the film: it would never show.
    if (scanned.end && *scanned.end < 0) return "its end frame is negative";
    return nullptr;
}

FrameLine readLine(std::string_view line, MicroDVDReading reading) {
    using Verdict = FrameLine::Verdict;
    if (reading == MicroDVDReading::Default) {
        const ScannedLine scanned = scanSplitLine(line);
        if (scanned.conversions < 2) return {};
        return {Verdict::Frames, "", scanned.start, scanned.end, scanned.text};
    }
    const LenientLine scanned = scanLenientLine(line);
    if (const char* why = skipReason(scanned)) return {Verdict::Skip, why, 0, std::nullopt, {}};
    return {Verdict::Frames, "", scanned.start, scanned.end, scanned.text};
}

void logSkipped(std::size_t number, const char* why) {
    Logger::instance()->write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                              "skipped line %lu: %s", static_cast<unsigned long>(number), why);
}

// A leniently read rate line: one of the first three frame lines, from frame 0 or 1 to
// frame 0, 1 or nothing, whose text begins with a plausible rate.
std::optional<FrameRate> rateLine(const FrameLine& line, std::size_t frameLines) {
    const auto isZeroOrOne = [](std::int32_t frame) { return frame == 0 || frame == 1; };
    if (frameLines > 3 || !isZeroOrOne(line.start) || (line.end && !isZeroOrOne(*line.end)))
        return std::nullopt;
    return parseLeadingFrameRate(line.text);
}

// Entries written "{start}{}" last until the next start, known only once all are read.
void closeOpenEnds(const std::vector<MediaChunk*>& entries, const std::vector<std::size_t>& open) {
    if (open.empty()) return;
    std::vector<std::uint32_t> starts;
    starts.reserve(entries.size());
    for (const MediaChunk* entry : entries) starts.push_back(entry->timestamp);
    const std::vector<std::int32_t> durations = openEndDurations(starts, open);
    for (std::size_t i = 0; i < open.size(); ++i) entries[open[i]]->duration = durations[i];
}

}  // namespace

bool parseMicroDVD(char* text, std::size_t length, FrameRate rate, MediaBufferAllocator& allocator,
                   std::vector<MediaChunk*>& entries, MicroDVDReading reading,
                   std::size_t maxEntryLength) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    LineSplitter lines(text, length);
    std::string translated;
    std::size_t frameLines = 0;
    std::vector<std::size_t> openEnds;
    while (const auto line = lines.next()) {
        const FrameLine framed = readLine(line->view(), reading);
        if (framed.verdict == FrameLine::Verdict::Fail) return false;
        if (framed.verdict == FrameLine::Verdict::Skip) {
            logSkipped(line->number, framed.why);
            continue;
        }
        ++frameLines;
        if (framed.text.empty()) continue;
        if (framed.start == 1 && framed.end == 1 && framed.text.size() < kMaxDeclarationLength) {
            const FrameRateDeclaration declaration = parseFrameRateDeclaration(framed.text);
            if (declaration.kind == FrameRateDeclaration::Kind::Rate) rate = declaration.rate;
            if (declaration.kind != FrameRateDeclaration::Kind::NotDeclaration) continue;
        }
        if (lenient) {
            if (const auto declared = rateLine(framed, frameLines)) {
                rate = *declared;
                continue;
            }
        }
        // The scanned text lies inside the writable line, so bars become line feeds in place.
        char* body = line->start + (framed.text.data() - line->start);
        std::replace(body, body + framed.text.size(), '|', '\n');
        std::string_view final = framed.text;
        if (lenient) {
            translateLineCodes(final, translated);
            final = translated;
        } else if (startsWithCode(final)) {
            translateFormattingCode(final, translated);
            final = translated;
        }
        if (final.size() > std::min(maxEntryLength, kMaxEntryLength)) return false;
        // A negative start is clamped leniently; by default it wraps, as frames are unsigned.
        const std::uint32_t start =
            rate.toMilliseconds(lenient ? std::max(framed.start, 0) : framed.start);
        // The slot first, so a chunk is never made without a place to keep it.
        entries.push_back(nullptr);
        entries.back() = makeEntry(allocator, final, start,
                                   framed.end ? rate.toMilliseconds(*framed.end) : start);
        if (!framed.end) openEnds.push_back(entries.size() - 1);
    }
    if (lenient && frameLines == 0) return false;
    closeOpenEnds(entries, openEnds);
    return true;
}

}  // namespace Tork
