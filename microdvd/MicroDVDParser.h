// Turns the UTF-8 text of a MicroDVD file into timed subtitle entries.
#pragma once

#include "framework/ReadingReport.h"
#include "microdvd/FrameRate.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace Tork {

class EntryStore;

/// The longest text an entry can carry: a chunk's size is a signed 32-bit count.
inline constexpr std::size_t kMaxEntryLength = std::numeric_limits<std::int32_t>::max();

/// How lines are read. In both readings a start before frame 0 is frame 0 and an entry
/// ending before frame 0 is dropped. The lenient reading, for files from the wild, differs from the
/// default in these ways only:
/// - a line that is not "{start}{end}text" is skipped and logged instead of failing the
///   file; the file fails only when no line has frame groups;
/// - blanks may stand around the groups and the numbers, and the text is trimmed of them;
/// - an entry ending at a negative frame is logged when dropped;
/// - "{start}{}text" lasts until the next later start, or 3 s after the last one;
/// - one of the first three frame lines that starts at 0 or 1 and ends at 0, 1 or nothing
///   may declare the rate as parseRateLine reads it ("25.000 movie info: XVID 25.0fps"),
///   and is consumed;
/// - every line of an entry may begin with codes (translateLineCodes);
/// - a zero byte does not end the text: it shows as U+FFFD in its line.
/// Zero bytes that only blanks, line breaks and zeros follow are padding in both readings.
enum class MicroDVDReading : std::uint8_t { Default, Lenient };

/// What a parse met, gathered as the lines go by, for the reading report.
struct ParseReport {
    static constexpr std::size_t kSkippedListed = ReadingReport::kSkippedListed;
    struct Skipped {
        std::uint32_t line;
        std::int32_t reason;  // a ReadingSkipReason
    };
    std::uint32_t linesRead = 0;    // the number of the last line seen
    std::uint32_t badLine = 0;      // the default reading's failing line
    std::uint32_t frameLines = 0;   // lines with frame groups, once all are read
    std::uint32_t rateLine = 0;     // the last rate line that set the rate
    std::uint32_t rateChanges = 0;  // rate lines that set the rate
    FrameRate rate;                 // the rate at the end
    std::uint32_t skippedCount = 0;
    std::vector<Skipped> skipped;  // the first kSkippedListed
    std::uint32_t zeroLine = 0;    // the line of the first zero byte, padding aside
    std::uint32_t zeroBytes = 0;   // lenient: the zero bytes shown as U+FFFD
    std::size_t unreadBytes = 0;   // default: the text's bytes from that zero on

    void skip(std::size_t line, std::int32_t reason);
};

/// Parses the file text that `entries` holds, in place (it is split and rewritten), at the
/// starting `rate`, adding one entry per subtitle in file order. False at the first line
/// whose final text is longer than `maxEntryLength`; by default also at the first line that
/// does not begin with two frame groups, leniently for a text without any. The entries
/// added so far stay. Throws std::bad_alloc when memory runs out, leaving the entries added
/// so far likewise. Tells what it met in `*report` (may be null). `filledLines`, when
/// given, is the text's LineCount::filledLines, counted already while reading it.
[[nodiscard]] bool parseMicroDVD(EntryStore& entries, FrameRate rate,
                                 MicroDVDReading reading = MicroDVDReading::Default,
                                 std::size_t maxEntryLength = kMaxEntryLength,
                                 ParseReport* report = nullptr,
                                 std::optional<std::size_t> filledLines = std::nullopt);

}  // namespace Tork
