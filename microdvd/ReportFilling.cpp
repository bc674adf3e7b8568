#include "microdvd/ReportFilling.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace Tork {
namespace {

template <std::size_t N>
void copyName(char (&target)[N], std::string_view name) {
    const std::size_t length = std::min(name.size(), N - 1);
    std::memcpy(target, name.data(), length);
    target[length] = '\0';
}

std::uint32_t cut32(std::uint64_t value) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

ReadingReport unopenedReport() {
    ReadingReport report{};
    report.version = ReadingReport::kVersion;
    report.outcome = kReadingNotOpened;
    report.confidence = -1;
    report.runnerUpConfidence = -1;
    report.score = -1;
    report.runnerUpScore = -1;
    report.rateSource = kRateDefault;
    const FrameRate rate;
    report.rateNumerator = cut32(rate.numerator);
    report.rateDenominator = cut32(rate.denominator);
    return report;
}

void reportSettings(ReadingReport& report, const ReadingSettings& settings) {
    report.reading =
        settings.reading == MicroDVDReading::Lenient ? kReadingLenient : kReadingDefault;
    report.rateSource = settings.rateFromHost ? kRateHost : kRateDefault;
    report.rateNumerator = cut32(settings.rate.numerator);
    report.rateDenominator = cut32(settings.rate.denominator);
}

void reportReadFailure(ReadingReport& report, const ParserUtilities::FileReadResult& result) {
    using Status = ParserUtilities::FileReadResult::Status;
    report.systemError = result.systemError;
    switch (result.status) {
        case Status::Ok:
            return;
        case Status::NotFound:
            report.outcome = kReadingNotFound;
            return;
        case Status::NotRegularFile:
            report.outcome = kReadingNotRegularFile;
            return;
        case Status::PermissionDenied:
            report.outcome = kReadingPermissionDenied;
            return;
        case Status::TooLarge:
            report.outcome = kReadingTooLarge;
            return;
        case Status::ReadFailed:
            report.outcome = kReadingReadFailed;
            return;
        case Status::OutOfMemory:
            report.outcome = kReadingOutOfMemory;
            return;
    }
}

void reportDecoding(ReadingReport& report, const ParserUtilities::DecodeReport& decoding,
                    bool decoded) {
    using Source = ParserUtilities::DecodeReport::Source;
    using Status = ParserUtilities::DecodeReport::Status;
    switch (decoding.source) {
        case Source::None:
            report.encodingSource = kEncodingNotSettled;
            break;
        case Source::Signature:
            report.encodingSource = kEncodingSignature;
            break;
        case Source::CodePage:
            report.encodingSource = kEncodingCodePage;
            break;
        case Source::Detected:
            report.encodingSource = kEncodingDetected;
            break;
        case Source::Default:
            report.encodingSource = kEncodingDefault;
            break;
        case Source::Fallback:
            report.encodingSource = kEncodingFallback;
            break;
    }
    copyName(report.encoding, decoding.encoding);
    report.confidence = decoding.confidence;
    copyName(report.runnerUp, decoding.runnerUp);
    report.runnerUpConfidence = decoding.runnerUpConfidence;
    report.score = decoding.score;
    report.runnerUpScore = decoding.runnerUpScore;
    copyName(report.likelyEncoding, decoding.likelyEncoding);
    report.replacements = cut32(decoding.replacements);
    if (decoded) return;
    switch (decoding.status) {
        case Status::UnknownCodePage:
            report.outcome = kReadingUnknownCodePage;
            break;
        case Status::NoText:
            report.outcome = kReadingNoEntries;
            break;
        case Status::OutOfMemory:
            report.outcome = kReadingOutOfMemory;
            break;
        case Status::Ok:
        case Status::ConversionFailed:
            report.outcome = kReadingConversionFailed;
            break;
    }
}

void reportParse(ReadingReport& report, const ParseReport& parse, MicroDVDReading reading,
                 bool parsed) {
    report.linesRead = parse.linesRead;
    report.rateChanges = parse.rateChanges;
    if (parse.rateChanges > 0) {
        report.rateSource = kRateDeclaration;
        report.rateLine = parse.rateLine;
        report.rateNumerator = cut32(parse.rate.numerator);
        report.rateDenominator = cut32(parse.rate.denominator);
    }
    report.zeroLine = parse.zeroLine;
    report.zeroBytes = parse.zeroBytes;
    report.unreadBytes = cut32(parse.unreadBytes);
    report.skippedCount = parse.skippedCount;
    report.skippedListed = static_cast<std::uint32_t>(parse.skipped.size());
    for (std::size_t i = 0; i < parse.skipped.size(); ++i)
        report.skipped[i] = {parse.skipped[i].line, parse.skipped[i].reason};
    if (parsed) return;
    if (parse.badLine != 0 && reading == MicroDVDReading::Default) {
        report.outcome = kReadingBadLine;
        report.line = parse.badLine;
    } else if (reading == MicroDVDReading::Lenient && parse.frameLines == 0) {
        report.outcome = kReadingNoFrameLines;
    } else {
        report.outcome = kReadingTooLarge;  // an entry over what a chunk can hold
    }
}

}  // namespace Tork
