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
        case kReadingRecognised:
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
        case kReadingNoFrameLinesAtStart:
            return "no line in its first " + std::to_string(kReadingProbeWindow / 1024) +
                   " KiB has {start}{end}" +
                   (line ? " (line " + std::to_string(line) + " is the first)" : std::string());
        case kReadingBadLine:
            return "line " + std::to_string(line) + ": no {start}{end} at its start" + looksLike;
        case kReadingNoEntries:
            return "the file is empty";
        default:
            return "could not be opened (outcome " + std::to_string(outcome) + ")";
    }
}

std::string OpenReport::zeroByte() const {
    if (zeroLine == 0) return {};
    const std::string line = "line " + std::to_string(zeroLine);
    if (!lenient) {
        return "a zero byte on " + line + " ended the reading: " + std::to_string(unreadBytes) +
               (unreadBytes == 1 ? " byte" : " bytes") + " unread";
    }
    return zeroBytes == 1
               ? "a zero byte on " + line + " shows as U+FFFD"
               : std::to_string(zeroBytes) + " zero bytes from " + line + " on show as U+FFFD";
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
    if (raw.version >= 2) {
        report.probed = raw.probed != 0;
        report.zeroLine = raw.zeroLine;
        report.zeroBytes = raw.zeroBytes;
        report.unreadBytes = raw.unreadBytes;
    }
    return report;
}

std::optional<OpenReport> OpenReport::of(Plugin& plugin) {
    void* face = nullptr;
    const auto ask = [&](const char* id) {
        return plugin.queryInterface(String(id, charAllocator()), &face) == Result::Ok && face;
    };
    // A plug-in before version 2 fills only the fields of version 1.
    if (!ask(kReadingReportV2InterfaceId) && !ask(kReadingReportInterfaceId)) return std::nullopt;
    ReadingReport raw{};
    if (static_cast<ReadingReportInterface*>(face)->getReadingReport(&raw) != Result::Ok ||
        raw.version < 1)
        return std::nullopt;
    return from(raw);
}

}  // namespace Tork::Host
