// Turns the UTF-8 text of a MicroDVD file into timed subtitle entries.
#pragma once

#include "framework/ReadingReport.h"
#include "microdvd/FrameRate.h"
#include "microdvd/MicroDVDReading.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace Tork {

class EntryStore;

/// The longest text an entry can carry: a chunk's size is a signed 32-bit count.
inline constexpr std::size_t kMaxEntryLength = std::numeric_limits<std::int32_t>::max();

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
