#include "host/OpenReport.h"

#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "framework/String.h"

#include <algorithm>

namespace Tork::Host {
namespace {

template <std::size_t N>
std::string textOf(const char (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

}  // namespace

std::string skipReasonText(std::int32_t reason) {
    switch (reason) {
        case kSkipBlank:
            return "white space only";
        case kSkipNoFrameGroups:
            return "no {start}{end} at its start";
        case kSkipNegativeEnd:
            return "the end frame is negative";
        case kSkipNoText:
            return "no text";
        case kSkipUnusableRate:
            return "a rate line without a usable rate";
        default:
            return "reason " + std::to_string(reason);
    }
}

std::string OpenReport::failure() const {
    const std::string error =
        systemError ? " (system error " + std::to_string(systemError) + ")" : std::string();
    const std::string looksLike =
        likelyEncoding.empty() ? std::string()
                               : "; the text looks like " + likelyEncoding + " without a signature";
    switch (outcome) {
        case kReadingOpened:
            return {};
        case kReadingNotOpened:
            return "not opened";
        case kReadingNotFileUrl:
            return "not a file: URL";
        case kReadingNotFound:
            return "no such file";
        case kReadingNotRegularFile:
            return "not a regular file";
        case kReadingPermissionDenied:
            return "permission denied";
        case kReadingExtensionRefused:
            // The reading decides the letter case the plug-in takes.
            return lenient ? "the MicroDVD plug-in opens only names ending in .sub or .txt"
                           : "the MicroDVD plug-in opens only names ending in .sub or .txt "
                             "(lower case)";
        case kReadingTooLarge:
            return "too large (over 2 GiB)";
        case kReadingReadFailed:
            return "could not be read whole" + error;
        case kReadingOutOfMemory:
            return "out of memory";
        case kReadingUnknownCodePage:
            return "no encoding named \"" + encoding + "\"";
        case kReadingConversionFailed:
            return encodingSource == kEncodingDefault ? "not UTF-8 text: name its encoding"
                                                      : "could not be converted from " + encoding;
        case kReadingNoFrameLines:
            return "no line has {start}{end}" + looksLike;
        case kReadingBadLine:
            return "line " + std::to_string(line) + ": no {start}{end} at its start" + looksLike;
        case kReadingNoEntries:
            return "the file is empty";
        default:
            return "could not be opened (outcome " + std::to_string(outcome) + ")";
    }
}

OpenReport OpenReport::from(const ReadingReport& raw) {
    OpenReport report;
    report.outcome = raw.outcome;
    report.line = raw.line;
    report.systemError = raw.systemError;
    report.encodingSource = raw.encodingSource;
    report.encoding = textOf(raw.encoding);
    report.confidence = raw.confidence;
    report.runnerUp = textOf(raw.runnerUp);
    report.runnerUpConfidence = raw.runnerUpConfidence;
    report.replacements = raw.replacements;
    report.score = raw.score;
    report.runnerUpScore = raw.runnerUpScore;
    report.likelyEncoding = textOf(raw.likelyEncoding);
    report.rateSource = raw.rateSource;
    report.rateNumerator = raw.rateNumerator;
    report.rateDenominator = raw.rateDenominator;
    report.rateLine = raw.rateLine;
    report.rateChanges = raw.rateChanges;
    report.lenient = raw.reading == kReadingLenient;
    report.linesRead = raw.linesRead;
    report.entries = raw.entries;
    report.skippedCount = raw.skippedCount;
    const std::uint32_t listed =
        std::min<std::uint32_t>(raw.skippedListed, ReadingReport::kSkippedListed);
    for (std::uint32_t i = 0; i < listed; ++i)
        report.skipped.push_back({raw.skipped[i].line, raw.skipped[i].reason});
    return report;
}

std::optional<OpenReport> OpenReport::of(Plugin& plugin) {
    void* face = nullptr;
    if (plugin.queryInterface(String(kReadingReportInterfaceId, charAllocator()), &face) !=
            Result::Ok ||
        !face)
        return std::nullopt;
    ReadingReport raw{};
    if (static_cast<ReadingReportInterface*>(face)->getReadingReport(&raw) != Result::Ok ||
        raw.version < 1)
        return std::nullopt;
    return from(raw);
}

}  // namespace Tork::Host
