// What a container said about its last open, as a C++ value, with words for people.
#pragma once

#include "framework/ReadingReport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Tork {
class Plugin;
}

namespace Tork::Host {

/// The component's ReadingReport (framework/ReadingReport.h), every field as it came;
/// codes keep their ReadingOutcome, ReadingEncodingSource, ReadingRateSource and
/// ReadingSkipReason values.
struct OpenReport {
    struct SkippedLine {
        std::uint32_t line = 0;
        std::int32_t reason = 0;
        bool operator==(const SkippedLine&) const = default;
    };

    std::int32_t outcome = kReadingNotOpened;
    std::uint32_t line = 0;
    std::int32_t systemError = 0;

    std::int32_t encodingSource = kEncodingNotSettled;
    std::string encoding;
    std::int32_t confidence = -1;
    std::string runnerUp;
    std::int32_t runnerUpConfidence = -1;
    std::int32_t score = -1;  // the weighed confidence that decided the detected encoding
    std::int32_t runnerUpScore = -1;
    std::uint32_t replacements = 0;
    std::string likelyEncoding;  // what bytes taken as UTF-8 look like ("UTF-16LE"), if any

    std::int32_t rateSource = kRateDefault;
    std::uint32_t rateNumerator = 0;
    std::uint32_t rateDenominator = 0;
    std::uint32_t rateLine = 0;
    std::uint32_t rateChanges = 0;

    bool lenient = false;
    std::uint32_t linesRead = 0;
    std::uint32_t entries = 0;
    std::uint32_t skippedCount = 0;
    std::vector<SkippedLine> skipped;  // the first ones the component listed

    // Version 2 of the report; 0 from an older plug-in.
    bool probed = false;
    std::uint32_t zeroLine = 0;
    std::uint32_t zeroBytes = 0;
    std::uint32_t unreadBytes = 0;

    bool opened() const { return outcome == kReadingOpened; }
    /// Why open or probe failed, in words ("line 12: no {start}{end} at its start"); empty
    /// when it opened or the probe recognised the file.
    std::string failure() const;
    /// What a zero byte in the text did, in words ("a zero byte on line 2 ended the
    /// reading: 23 bytes unread"); empty when there was none.
    std::string zeroByte() const;

    /// The report of `plugin`'s last open or probe, of the latest version both know;
    /// nothing when the component has no report (an older plug-in) or does not answer.
    static std::optional<OpenReport> of(Plugin& plugin);
    /// The report in `raw`, texts cut at their first zero or their end.
    static OpenReport from(const ReadingReport& raw);
};

/// A few words on a skipped line's reason ("white space only"); "reason N" for a code
/// this kit does not know.
std::string skipReasonText(std::int32_t reason);

}  // namespace Tork::Host
