#include "tools/subplay/Report.h"

#include "tools/subplay/OutputText.h"
#include "tools/subplay/Stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <numeric>

namespace Tork::Subplay {
namespace {

// Names that JSON readers match on; they never change once published. Indexed by the
// report's codes; the first stands for any code outside the list.
constexpr const char* kEncodingSources[] = {"none",     "signature", "option",
                                            "detected", "default",   "fallback"};
constexpr const char* kRateSources[] = {"default", "option", "declaration"};
constexpr const char* kSkipReasons[] = {"unknown",      "blank",   "no-frame-groups",
                                        "negative-end", "no-text", "unusable-rate"};

template <std::size_t N>
const char* named(const char* const (&names)[N], std::int32_t code) {
    return names[code > 0 && static_cast<std::size_t>(code) < N ? code : 0];
}

std::string rateText(const Host::OpenReport& report) {
    if (report.rateDenominator == 0) return "none";
    const std::uint32_t common = std::gcd(report.rateNumerator, report.rateDenominator);
    const std::uint32_t numerator = report.rateNumerator / common;
    const std::uint32_t denominator = report.rateDenominator / common;
    if (denominator == 1) return std::to_string(numerator);
    char text[64];
    std::snprintf(text, sizeof text, "%.3f (%u/%u)", static_cast<double>(numerator) / denominator,
                  numerator, denominator);
    return text;
}

std::string encodingText(const Host::OpenReport& report) {
    std::string text =
        encodingLabel(report.encoding) + " (" + named(kEncodingSources, report.encodingSource);
    if (report.encodingSource == kEncodingDetected) {
        text += ", confidence " + std::to_string(report.confidence);
        if (!report.runnerUp.empty()) {
            text +=
                "; runner-up " + report.runnerUp + ", " + std::to_string(report.runnerUpConfidence);
        }
    }
    return text + ")";
}

}  // namespace

std::vector<std::string> readingWarnings(const Host::OpenReport& report, const std::string& shown) {
    std::vector<std::string> warnings;
    std::map<std::int32_t, std::pair<std::size_t, std::string>> byReason;
    std::size_t quiet = 0;
    for (const auto& skipped : report.skipped) {
        // Blank lines and frames without text are how people write files, not faults.
        if (skipped.reason == kSkipBlank || skipped.reason == kSkipNoText) {
            ++quiet;
            continue;
        }
        auto& [count, lines] = byReason[skipped.reason];
        if (++count <= 10) lines += (count == 1 ? "" : ", ") + std::to_string(skipped.line);
        if (count == 11) lines += ", ...";
    }
    for (const auto& [reason, found] : byReason) {
        warnings.push_back(shown + ": skipped " + std::to_string(found.first) +
                           (found.first == 1 ? " line (" : " lines (") +
                           Host::skipReasonText(reason) + "): " + found.second);
    }
    // The count comes from a library: a list longer than it must not wrap the difference.
    const std::size_t unlisted =
        std::max<std::size_t>(report.skippedCount, report.skipped.size()) - report.skipped.size();
    if (unlisted > 0 && report.skippedCount > quiet) {
        warnings.push_back(shown + ": " + std::to_string(unlisted) +
                           " more skipped lines are not listed; --info counts them");
    }
    if (const std::string zero = report.zeroByte(); !zero.empty()) {
        warnings.push_back(shown + ": " + zero +
                           (report.lenient ? "" : "; without --strict the rest is read too"));
    }
    if (report.replacements > 0) {
        warnings.push_back(shown + ": " + std::to_string(report.replacements) +
                           " byte sequences are not UTF-8 and show as U+FFFD; name the "
                           "encoding with --encoding (windows-1250, KOI8-R, ...)");
    }
    // The score (ICU's confidence weighed by the letters of each reading) chose the encoding,
    // so it is what is quoted and what a runner-up is measured by.
    if (report.encodingSource == kEncodingDetected && report.score < kLowConfidence) {
        const auto rated = [](std::int32_t confidence, std::int32_t score) {
            return "at confidence " + std::to_string(confidence) + ", weighed " +
                   std::to_string(score);
        };
        std::string warning = shown + ": the encoding is a guess: " + report.encoding + " " +
                              rated(report.confidence, report.score) + " by its letters";
        if (!report.runnerUp.empty())
            warning += " (runner-up " + report.runnerUp + " " +
                       rated(report.runnerUpConfidence, report.runnerUpScore) + ")";
        warning += "; if the text looks wrong, force one with --encoding NAME";
        // Only a runner-up that weighed as much is as likely; one that weighed less is worse.
        if (!report.runnerUp.empty() && report.runnerUpScore >= report.score)
            warning += ", such as --encoding " + report.runnerUp;
        warnings.push_back(warning);
    }
    return warnings;
}

std::string failureText(const Host::OpenReport& report) {
    if (report.outcome == kReadingReadFailed && report.systemError != 0) {
        return std::string("could not be read whole: ") + std::strerror(report.systemError);
    }
    // Frame lines in 16-bit units without a signature: the option that reads them.
    if (!report.likelyEncoding.empty() &&
        (report.outcome == kReadingNoFrameLines || report.outcome == kReadingBadLine))
        return report.failure() + ": try --encoding " + report.likelyEncoding;
    return report.failure();
}

void appendReadingJson(const Host::OpenReport& report, std::string& out) {
    const auto number = [](auto value) { return std::to_string(value); };
    out += "{\"encoding\": {\"name\": " + jsonString(printable(encodingLabel(report.encoding))) +
           ", \"source\": \"" + named(kEncodingSources, report.encodingSource) + '"';
    if (report.encodingSource == kEncodingDetected) {
        out += ", \"confidence\": " + number(report.confidence);
        if (!report.runnerUp.empty()) {
            out += ", \"runnerUp\": " + jsonString(printable(report.runnerUp)) +
                   ", \"runnerUpConfidence\": " + number(report.runnerUpConfidence);
        }
    }
    out += ", \"replacements\": " + number(report.replacements) + "}";
    out += ", \"frameRate\": {\"numerator\": " + number(report.rateNumerator) +
           ", \"denominator\": " + number(report.rateDenominator) + ", \"source\": \"" +
           named(kRateSources, report.rateSource) + '"';
    if (report.rateSource == kRateDeclaration) out += ", \"line\": " + number(report.rateLine);
    out += "}";
    if (report.zeroLine) {
        out += ", \"zeroByte\": {\"line\": " + number(report.zeroLine) +
               (report.lenient ? ", \"replaced\": " + number(report.zeroBytes)
                               : ", \"unreadBytes\": " + number(report.unreadBytes)) +
               "}";
    }
    out += ", \"lenient\": " + std::string(report.lenient ? "true" : "false") +
           ", \"linesRead\": " + number(report.linesRead) +
           ", \"skippedCount\": " + number(report.skippedCount) + ", \"skipped\": [";
    for (std::size_t i = 0; i < report.skipped.size(); ++i) {
        out += (i ? ", {\"line\": " : "{\"line\": ") + number(report.skipped[i].line) +
               ", \"reason\": \"" + named(kSkipReasons, report.skipped[i].reason) + "\"}";
    }
    out += "]}";
}

std::string infoText(const Host::OpenReport& report, const std::string& shown,
                     const EntrySpan& span, bool json) {
    const std::uint32_t duration = span.read ? span.last - span.first : 0;
    const std::uint64_t entries = span.read + span.pastClock;
    if (json) {
        std::string out =
            "{\"version\": 1, \"file\": " + jsonString(printable(shown)) + ", \"reading\": ";
        appendReadingJson(report, out);
        out += ", \"entries\": " + std::to_string(entries);
        if (span.pastClock) out += ", \"pastClock\": " + std::to_string(span.pastClock);
        if (span.read) {
            out += ", \"first\": " + std::to_string(span.first) +
                   ", \"last\": " + std::to_string(span.last) +
                   ", \"duration\": " + std::to_string(duration);
        }
        return out + "}\n";
    }
    std::string out = "file: " + shown + "\nencoding: " + encodingText(report);
    if (report.replacements) out += ", " + std::to_string(report.replacements) + " U+FFFD";
    out += "\nframe rate: " + rateText(report) + " (" + named(kRateSources, report.rateSource);
    if (report.rateSource == kRateDeclaration) out += " on line " + std::to_string(report.rateLine);
    out += ")\nreading: " + std::string(report.lenient ? "lenient" : "default") +
           "\nentries: " + std::to_string(entries);
    if (span.pastClock) {
        out += "\npast the clock: " + std::to_string(span.pastClock) + " (starting after " +
               formatTime(latestReachableStart) + ", which no player's clock reaches)";
    }
    if (span.read) {
        out += "\nfirst: " + formatTime(span.first) + "\nlast: " + formatTime(span.last) +
               "\nduration: " + formatTime(duration);
    }
    if (report.zeroLine) {
        out +=
            "\nzero byte: line " + std::to_string(report.zeroLine) +
            (report.lenient ? ", " + std::to_string(report.zeroBytes) + " shown as U+FFFD"
                            : ", the reading ended there: " + std::to_string(report.unreadBytes) +
                                  " bytes unread");
    }
    out += "\nlines read: " + std::to_string(report.linesRead) +
           "\nskipped lines: " + std::to_string(report.skippedCount) + '\n';
    for (const auto& skipped : report.skipped) {
        out += "  line " + std::to_string(skipped.line) + ": " +
               Host::skipReasonText(skipped.reason) + '\n';
    }
    if (report.skippedCount > report.skipped.size()) {
        out += "  (" + std::to_string(report.skippedCount - report.skipped.size()) + " more)\n";
    }
    return out;
}

}  // namespace Tork::Subplay
