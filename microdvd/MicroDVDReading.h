// The two readings of MicroDVD lines, which the parser, the code table and the host's
// settings all name.
#pragma once

#include <cstdint>

namespace Tork {

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

}  // namespace Tork
