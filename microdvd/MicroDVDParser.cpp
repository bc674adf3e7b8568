#include "microdvd/MicroDVDParser.h"

#include "framework/Logger.h"
#include "framework/ReadingReport.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/LineCodes.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
#include "microdvd/OpenEnds.h"
#include "scan/Scan.h"
#include "subtitle/EntryStore.h"
#include "text/TextOutput.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace Tork {
namespace {

constexpr std::size_t kMaxDeclarationLength = 100;
// Lines up to this long are translated once, into a buffer whose size follows theirs.
constexpr std::size_t kTranslatedDirectly = 4096;

bool startsWithCode(std::string_view text) {
    return !text.empty() && (text[0] == '/' || text[0] == '\\' || text[0] == '{');
}

// A line as the chosen reading sees it.
struct FrameLine {
    enum class Verdict : std::uint8_t { Frames, Skip, Fail } verdict = Verdict::Fail;
    const char* why = "";     // for Skip
    std::int32_t reason = 0;  // for Skip: a ReadingSkipReason
    std::int32_t start = 0;
    // Scalars, not a view and an optional: copied whole, each was reloaded in one piece
    // from the separate stores that made it, a store-forwarding stall on every line.
    std::int32_t end = 0;
    bool hasEnd = false;  // without an end it lasts until the next start
    // The text, which may be empty (no entry).
    const char* textStart = nullptr;
    std::size_t textLength = 0;
    std::string_view text() const { return {textStart, textLength}; }
};

// Why the lenient reading skips a line, in a few words for the log and as a code; null
// when it reads it.
std::pair<const char*, std::int32_t> skipReason(const LenientLine& scanned) {
    switch (scanned.shape) {
        case LenientLine::Shape::Blank:
            return {"white space only", kSkipBlank};
        case LenientLine::Shape::NoFrames:
            return {"no {start}{end} at its start", kSkipNoFrameGroups};
        case LenientLine::Shape::Frames:
            break;
    }
    return {nullptr, 0};
}

FrameLine readLine(std::string_view line, MicroDVDReading reading) {
    using Verdict = FrameLine::Verdict;
    if (reading == MicroDVDReading::Default) {
        // The common case straight into scalars, as scanSplitLine reads it: its result, merged
        // with the full scan's through memory, was reloaded wider than it was stored.
        const char* at = line.data();
        const char* const last = at + line.size();
        std::int32_t start = 0, end = 0;
        if (LineScannerDetail::bareGroup(at, last, start) &&
            LineScannerDetail::bareGroup(at, last, end))
            return {
                Verdict::Frames, "", 0, start, end, true, at, static_cast<std::size_t>(last - at)};
        const ScannedLine scanned = scanSplitLineInFull(line);
        if (scanned.conversions < 2) return {};
        return {Verdict::Frames,    "", 0, scanned.start, scanned.end, true, scanned.text.data(),
                scanned.text.size()};
    }
    std::int32_t start = 0, end = 0;
    if (std::string_view text; LineScannerDetail::bareFramesLine(line, start, end, text))
        return {Verdict::Frames, "", 0, start, end, true, text.data(), text.size()};
    const LenientLine scanned = scanLenientLine(line);
    if (const auto [why, reason] = skipReason(scanned); why) return {Verdict::Skip, why, reason};
    const bool hasEnd = scanned.end.has_value();
    return {Verdict::Frames,
            "",
            0,
            scanned.start,
            hasEnd ? *scanned.end : 0,
            hasEnd,
            scanned.text.data(),
            scanned.text.size()};
}

void logSkipped(std::size_t number, const char* why) {
    Logger::instance()->write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                              "skipped line %lu: %s", static_cast<unsigned long>(number), why);
}

// Not "skipped": the line is MicroDVD, only its entry would never show.
void logDropped(std::size_t number, std::int32_t end) {
    Logger::instance()->write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                              "dropped line %lu: it ends at frame %d, before the film starts",
                              static_cast<unsigned long>(number), static_cast<int>(end));
}

// A leniently read rate line: one of the first three frame lines, from frame 0 or 1 to
// frame 0, 1 or nothing, whose text states a plausible rate.
std::optional<FrameRate> rateLine(const FrameLine& line, std::size_t frameLines) {
    const auto isZeroOrOne = [](std::int32_t frame) { return frame == 0 || frame == 1; };
    if (frameLines > 3 || !isZeroOrOne(line.start) || (line.hasEnd && !isZeroOrOne(line.end)))
        return std::nullopt;
    return parseRateLine(line.text());
}

// Old editors wrote files in fixed blocks, the end filled with zeros: no text is lost there.
bool isPadding(std::string_view rest) {
    return rest.find_first_not_of(std::string_view("\0 \t\r\n", 5)) == std::string_view::npos;
}

// `text` with each zero byte as U+FFFD, but for those of the padding at its end, which are
// left out; `replaced` counts the others.
std::string withoutZeros(std::string_view text, std::uint32_t& replaced) {
    std::size_t content = text.size();
    while (content > 0 && isPadding(text.substr(content - 1, 1))) --content;
    std::string out;
    out.reserve(text.size() + 64);
    for (std::string_view rest = text.substr(0, content); !rest.empty();) {
        const std::size_t zero = std::min(rest.find('\0'), rest.size());
        out.append(rest.substr(0, zero));
        if (zero == rest.size()) break;
        out.append("\xEF\xBF\xBD");
        ++replaced;
        rest.remove_prefix(zero + 1);
    }
    for (const char c : text.substr(content))
        if (c != '\0') out.push_back(c);
    return out;
}

// Tells in `said` what the zero byte that `rest` begins with means on line `number`;
// false, telling nothing, when it is padding.
bool tellZero(std::string_view rest, std::size_t number, bool lenient, ParseReport& said) {
    if (isPadding(rest)) return false;
    said.zeroLine = static_cast<std::uint32_t>(number);
    if (!lenient) said.unreadBytes = rest.size();
    return true;
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

void ParseReport::skip(std::size_t line, std::int32_t reason) {
    ++skippedCount;
    if (skipped.size() < kSkippedListed)
        skipped.push_back({static_cast<std::uint32_t>(line), reason});
}

bool parseMicroDVD(EntryStore& entries, FrameRate rate, MicroDVDReading reading,
                   std::size_t maxEntryLength, ParseReport* report,
                   std::optional<std::size_t> filledLines) {
    ParseReport unused;
    ParseReport& said = report ? *report : unused;
    FrameClock clock(rate);
    const auto setRate = [&](FrameRate declared, std::size_t line) {
        clock = FrameClock(declared);
        said.rate = declared;
        said.rateLine = static_cast<std::uint32_t>(line);
        ++said.rateChanges;
    };
    said.rate = rate;
    const bool lenient = reading == MicroDVDReading::Lenient;
    char* const text = entries.fileText();
    const std::size_t length = entries.fileLength();
    // Every entry takes a line of its own of 7 bytes at least with its separator ("{0}{}x"
    // leniently), so the lines with something on them and the length each bound the records
    // needed: the smaller bound is reserved, not 16 bytes for every blank line.
    if (!filledLines) filledLines = Scan::filledLines(text, length);
    entries.reserve(std::min(*filledLines, length / 7) + 1);
    // Bound once, so that with logging off each entry pays a single test.
    Logger& log = *Logger::instance();
    LineSplitter lines(text, length);
    // The lenient reading goes on past a zero byte in a copy of the text from its line on.
    std::string readOn;
    bool zeroMet = false, inCopy = false;
    std::string translated;
    LineCodeTranslator codes;
    std::size_t frameLines = 0;
    std::vector<std::size_t> openEnds;
    for (;;) {
        const auto line = lines.next();
        if (!line) {
            // The lines end before a zero byte's line, and go on once: with that line up to
            // the zero, in place, by default or before padding; else leniently in a copy
            // without zeros. The text's end comes from the store, so that it takes no
            // register through the loop.
            char* const zero = lines.zero();
            if (!zero || zeroMet) break;
            zeroMet = true;
            char* const from = lines.position();
            const std::size_t number = lines.number();
            const char* const end = entries.fileText() + entries.fileLength();
            if (tellZero({zero, static_cast<std::size_t>(end - zero)}, number, lenient, said) &&
                lenient) {
                readOn = withoutZeros({from, static_cast<std::size_t>(end - from)}, said.zeroBytes);
                lines = LineSplitter(readOn.data(), readOn.size(), number);
                inCopy = true;
            } else {
                lines = LineSplitter(from, static_cast<std::size_t>(zero - from), number);
            }
            continue;
        }
        said.linesRead = static_cast<std::uint32_t>(line->number);
        const FrameLine framed = readLine(line->view(), reading);
        if (framed.verdict == FrameLine::Verdict::Fail) {
            said.badLine = static_cast<std::uint32_t>(line->number);
            return false;
        }
        if (framed.verdict == FrameLine::Verdict::Skip) {
            logSkipped(line->number, framed.why);
            said.skip(line->number, framed.reason);
            continue;
        }
        ++frameLines;
        if (!framed.textLength) {
            said.skip(line->number, kSkipNoText);
            continue;
        }
        // Shifted by an editor to before the film: read unsigned, as frames once were, it
        // would show hundreds of hours in.
        if (framed.hasEnd && framed.end < 0) {
            if (lenient) logDropped(line->number, framed.end);
            said.skip(line->number, kSkipNegativeEnd);
            continue;
        }
        if (framed.start == 1 && framed.hasEnd && framed.end == 1 &&
            framed.textLength < kMaxDeclarationLength) {
            const FrameRateDeclaration declaration = parseFrameRateDeclaration(framed.text());
            if (declaration.kind == FrameRateDeclaration::Kind::Rate)
                setRate(declaration.rate, line->number);
            if (declaration.kind == FrameRateDeclaration::Kind::Unusable)
                said.skip(line->number, kSkipUnusableRate);
            if (declaration.kind != FrameRateDeclaration::Kind::NotDeclaration) continue;
        }
        if (lenient) {
            if (const auto declared = rateLine(framed, frameLines)) {
                setRate(*declared, line->number);
                continue;
            }
        }
        // The scanned text lies inside the writable line, so bars become line feeds in place.
        char* body = line->start + (framed.textStart - line->start);
        // Only the lenient reading translates codes after the first line.
        const bool codeAfterBar =
            line->mayHoldBar && barsToLineFeeds(body, framed.textLength) && lenient;
        std::string_view final = framed.text();
        std::size_t copyLength = 0;  // of a translation too long for its line: written at add
        // Line feeds come only from bars: without one the text is a single line.
        using Lines = LineCodeTranslator::Lines;
        const Lines lines = !line->mayHoldBar ? Lines::One
                            : codeAfterBar    ? Lines::Any
                                              : Lines::CodesOnFirst;
        const auto translate = [&, source = final](auto& out) {
            lenient ? codes.write(source, out, lines) : writeFormattingCode(source, out);
        };
        bool copyTranslated = false;  // a copy of `translated`, else written at add
        if (startsWithCode(final) || codeAfterBar) {
            // A long line's translation is measured first, so that it is written once,
            // straight into its entry: a copy of it would cost as much memory again. A short
            // one is written once into the reused buffer, which stays small.
            if (line->length <= kTranslatedDirectly) {
                translated.clear();
                translate(translated);
                copyTranslated = translated.size() > line->length;
                if (copyTranslated) copyLength = translated.size();
            } else {
                CountingOutput measured;
                translate(measured);
                if (measured.size() > line->length) {
                    copyLength = measured.size();
                } else {
                    translated.clear();
                    translated.reserve(measured.size());
                    translate(translated);
                }
            }
            if (!copyLength) {
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
        // Begun before the film: it shows from the start.
        const std::uint32_t start = clock.toMilliseconds(std::max(framed.start, 0));
        const auto duration = static_cast<std::int32_t>(
            (framed.hasEnd ? clock.toMilliseconds(framed.end) : start) - start);
        if (copyLength) {
            char* const copy = entries.addSpace(start, duration, copyLength);
            if (copyTranslated) {
                std::memcpy(copy, translated.data(), copyLength);
            } else {
                FixedOutput out(copy, copyLength);
                translate(out);
            }
            final = {copy, copyLength};
        } else {
            // The store measures long texts up to it, the log prints up to it: the lenient
            // reading trims blanks after a text, and a rewritten one ends anywhere.
            line->start[final.data() + final.size() - line->start] = EntryStore::kTextEnd;
            // Past a zero byte the lines lie in a copy of the text, not in the store's.
            if (inCopy) {
                entries.addCopy(start, duration, final);
            } else {
                entries.addInPlace(start, duration, final);
            }
        }
        if (!framed.hasEnd) openEnds.push_back(entries.size() - 1);
        if (log.impl()) {
            log.write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                      "got subtitle start: %d duration: %d '%s'", start, duration,
                      final.data());  // zero-terminated: the line's end or the store's copy
        }
    }
    said.frameLines = static_cast<std::uint32_t>(frameLines);
    if (lenient && frameLines == 0) return false;
    closeOpenEnds(entries, openEnds);
    return true;
}

}  // namespace Tork
