#include "microdvd/MicroDVDParser.h"

#include "framework/Logger.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/LineCodes.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
#include "microdvd/OpenEnds.h"
#include "subtitle/EntryStore.h"
#include "text/ByteWords.h"
#include "text/TextOutput.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string>

namespace Tork {
namespace {

constexpr std::size_t kMaxDeclarationLength = 100;

bool startsWithCode(std::string_view text) {
    return !text.empty() && (text[0] == '/' || text[0] == '\\' || text[0] == '{');
}

// Where no line begins with a code, the lenient translation would give the text back.
bool anyLineStartsWithCode(std::string_view text) {
    if (startsWithCode(text)) return true;
    for (auto feed = text.find('\n'); feed != std::string_view::npos;
         feed = text.find('\n', feed + 1))
        if (startsWithCode(text.substr(feed + 1))) return true;
    return false;
}

// The runs of CR and LF bytes (each one separator) that end a line with something on it,
// eight bytes at a time, each beside the byte before it.
std::size_t countFilledLines(const char* text, std::size_t length) {
    const auto separators = [](std::uint64_t word) {
        return ByteWords::bytesEqual(word, '\n') | ByteWords::bytesEqual(word, '\r');
    };
    const auto isSeparator = [](char c) { return c == '\n' || c == '\r'; };
    std::size_t count = 0, i = 1;
    for (; i + 8 <= length; i += 8) {
        const std::uint64_t ends =
            separators(ByteWords::load(text + i)) & ~separators(ByteWords::load(text + i - 1));
        count += static_cast<std::size_t>(std::popcount(ends));
    }
    for (; i < length; ++i) count += isSeparator(text[i]) && !isSeparator(text[i - 1]);
    return count;
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
void closeOpenEnds(EntryStore& entries, const std::vector<std::size_t>& open) {
    if (open.empty()) return;
    std::vector<std::uint32_t> starts;
    starts.reserve(entries.size());
    for (const EntryRecord& entry : entries.records()) starts.push_back(entry.start);
    const std::vector<std::int32_t> durations = openEndDurations(starts, open);
    for (std::size_t i = 0; i < open.size(); ++i) entries.setDuration(open[i], durations[i]);
}

}  // namespace

bool parseMicroDVD(EntryStore& entries, FrameRate rate, MicroDVDReading reading,
                   std::size_t maxEntryLength) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    char* const text = entries.fileText();
    const std::size_t length = entries.fileLength();
    // Every entry takes a line of its own of 7 bytes at least with its separator ("{0}{}x"
    // leniently), so the lines with something on them and the length each bound the records
    // needed: the smaller bound is reserved, not 16 bytes for every blank line.
    entries.reserve(std::min(countFilledLines(text, length), length / 7) + 1);
    // Bound once, so that with logging off each entry pays a single test.
    Logger& log = *Logger::instance();
    LineSplitter lines(text, length);
    std::string translated;
    LineCodeTranslator codes;
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
        if (line->mayHoldBar) ByteWords::replaceBytes(body, framed.text.size(), '|', '\n');
        std::string_view final = framed.text;
        std::size_t copyLength = 0;  // of a translation too long for its line: written at add
        const auto translate = [&, source = final](auto& out) {
            lenient ? codes.write(source, out) : writeFormattingCode(source, out);
        };
        if (lenient ? anyLineStartsWithCode(final) : startsWithCode(final)) {
            // Measured first, so that a long translation is written once, straight into
            // its entry: a copy of it would cost as much memory again.
            CountingOutput measured;
            translate(measured);
            if (measured.size() > line->length) {
                copyLength = measured.size();
            } else {
                translated.clear();
                translated.reserve(measured.size());
                translate(translated);
                // Most translations only drop codes from the front (unknown ones, a line
                // without any): such a text is still in the line, at its end. Others fit in
                // the line's own bytes, frame groups and codes included, which are free now.
                if (final.ends_with(translated)) {
                    final.remove_prefix(final.size() - translated.size());
                } else {
                    std::memcpy(line->start, translated.data(), translated.size());
                    final = {line->start, translated.size()};
                }
            }
        }
        if ((copyLength ? copyLength : final.size()) > std::min(maxEntryLength, kMaxEntryLength))
            return false;
        // A negative start is clamped leniently; by default it wraps, as frames are unsigned.
        const std::uint32_t start =
            rate.toMilliseconds(lenient ? std::max(framed.start, 0) : framed.start);
        const auto duration = static_cast<std::int32_t>(
            (framed.end ? rate.toMilliseconds(*framed.end) : start) - start);
        if (copyLength) {
            char* const copy = entries.addSpace(start, duration, copyLength);
            FixedOutput out(copy, copyLength);
            translate(out);
            final = {copy, copyLength};
        } else {
            // Terminated for the log: the lenient reading trims blanks after a text, and a
            // rewritten one ends anywhere in its line.
            line->start[final.data() + final.size() - line->start] = '\0';
            entries.addInPlace(start, duration, final);
        }
        if (!framed.end) openEnds.push_back(entries.size() - 1);
        if (log.impl()) {
            log.write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                      "got subtitle start: %d duration: %d '%s'", start, duration,
                      final.data());  // zero-terminated: the line's end or the store's copy
        }
    }
    if (lenient && frameLines == 0) return false;
    closeOpenEnds(entries, openEnds);
    return true;
}

}  // namespace Tork
