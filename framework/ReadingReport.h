// The reading report: what a subtitle container's last open or probe did, in plain types.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Tork {

/// The identifier that queryInterface answers with a ReadingReportInterface that tells of
/// the last open only, in the fields (up to `skipped`) and codes of version 1, as hosts built
/// before version 2 expect: kReadingNoFrameLinesAtStart reads as kReadingNoFrameLines. A host
/// that never asks for it sees the component as before.
inline constexpr const char* kReadingReportInterfaceId = "tork.microdvd.reading-report";

/// The identifier that queryInterface answers with a ReadingReportInterface that fills the
/// whole ReadingReport of this header, of the last open or probe. A plug-in older than
/// version 2 does not answer it: ask kReadingReportInterfaceId then.
inline constexpr const char* kReadingReportV2InterfaceId = "tork.microdvd.reading-report.2";

/// How the last open or probe ended. Where a line or a system error applies, ReadingReport
/// says it.
enum ReadingOutcome : std::int32_t {
    kReadingOpened = 0,             ///< the stream was made
    kReadingNotOpened = 1,          ///< neither open nor probe has been called
    kReadingNotFileUrl = 2,         ///< the location is absent, empty or no file: URL
    kReadingNotFound = 3,           ///< no such file (or a path that cannot name one)
    kReadingNotRegularFile = 4,     ///< a folder, a device, a FIFO
    kReadingPermissionDenied = 5,   ///< the system refused access (systemError says how)
    kReadingExtensionRefused = 6,   ///< the name does not end in .sub or .txt
    kReadingTooLarge = 7,           ///< the file, or one entry, is over 2 GiB
    kReadingReadFailed = 8,         ///< opening or reading failed otherwise, or the file
                                    ///< shrank while it was read (systemError when known)
    kReadingOutOfMemory = 9,        ///< memory ran out (or a host callback failed)
    kReadingUnknownCodePage = 10,   ///< the code page setting names no converter ICU has
    kReadingConversionFailed = 11,  ///< the text could not be converted or taken as UTF-8
                                    ///< (no ICU, or a start that is no UTF-8 character)
    kReadingNoFrameLines = 12,      ///< lenient reading: no line has {start}{end} (a
                                    ///< default probe: the text has no line)
    kReadingBadLine = 13,           ///< default reading: line `line` has no {start}{end}
    kReadingNoEntries = 14,         ///< the file holds no text: empty, or one character
    // Version 2:
    kReadingRecognised = 15,           ///< probe: the file's start is MicroDVD (the answer
                                       ///< is still the host's checkFormat)
    kReadingNoFrameLinesAtStart = 16,  ///< lenient reading: no line of the text that the
                                       ///< file's first kReadingProbeWindow bytes give has
                                       ///< {start}{end}; `line` is the first that has, when
                                       ///< open found one
};

/// How far the lenient reading looks for a first frame line: the bytes that its probe
/// reads. A file whose first frame line lies beyond them is no MicroDVD to probe or open.
inline constexpr std::uint32_t kReadingProbeWindow = 64 * 1024;

/// How the encoding was settled.
enum ReadingEncodingSource : std::int32_t {
    kEncodingNotSettled = 0,  ///< the file was not read that far
    kEncodingSignature = 1,   ///< a byte-order signature at the start of the file
    kEncodingCodePage = 2,    ///< the host's "CodePage"/"Name"
    kEncodingDetected = 3,    ///< "CodePage"/"Detect": see confidence and runner-up
    kEncodingDefault = 4,     ///< taken as UTF-8
    kEncodingFallback = 5,    ///< "CodePage"/"Detect" settled nothing, and the only bytes
                              ///< beyond ASCII are punctuation that reads alike in every
                              ///< windows-125x code page: read as windows-1252
};

/// Where the frame rate in use came from.
enum ReadingRateSource : std::int32_t {
    kRateDefault = 0,      ///< 24000/1001 frames per second
    kRateHost = 1,         ///< the host's "FrameRate"/"Ratio"
    kRateDeclaration = 2,  ///< a rate line of the file, on line `rateLine`
};

/// The reading the host asked for with "MicroDVD"/"Lenient".
enum ReadingMode : std::int32_t {
    kReadingDefault = 0,
    kReadingLenient = 1,
};

/// Why a line made no entry.
enum ReadingSkipReason : std::int32_t {
    kSkipBlank = 1,          ///< white space only (lenient reading)
    kSkipNoFrameGroups = 2,  ///< no {start}{end} at its start (lenient reading)
    kSkipNegativeEnd = 3,    ///< its end frame is negative: it would never show
    kSkipNoText = 4,         ///< frame groups without a text
    kSkipUnusableRate = 5,   ///< a rate line without a usable rate
};

/// One line that made no entry.
struct ReadingSkippedLine {
    std::uint32_t line;   ///< counted from 1
    std::int32_t reason;  ///< a ReadingSkipReason
};

/// The report. Texts are zero-terminated and cut to fit; numbers are 0 when they do not
/// apply. The layout is the same on every platform the plug-in is built for.
struct ReadingReport {
    static constexpr std::uint32_t kVersion = 2;
    static constexpr std::size_t kNameSize = 64;
    static constexpr std::size_t kSkippedListed = 100;

    std::uint32_t version;     ///< kVersion
    std::int32_t outcome;      ///< a ReadingOutcome
    std::uint32_t line;        ///< kReadingBadLine: the line, counted from 1
    std::int32_t systemError;  ///< errno, or GetLastError() on Windows, where known

    std::int32_t encodingSource;      ///< a ReadingEncodingSource
    char encoding[kNameSize];         ///< the converter used; "UTF-8" when taken as is
    std::int32_t confidence;          ///< kEncodingDetected: 0-100, else -1
    char runnerUp[kNameSize];         ///< the detector's second guess, or empty
    std::int32_t runnerUpConfidence;  ///< 0-100, or -1 when there is none
    std::uint32_t replacements;       ///< ill-formed sequences of a text taken as UTF-8
                                      ///< that became U+FFFD

    std::int32_t rateSource;        ///< a ReadingRateSource
    std::uint32_t rateNumerator;    ///< frames per second: numerator / denominator,
    std::uint32_t rateDenominator;  ///< both cut to 32 bits
    std::uint32_t rateLine;         ///< kRateDeclaration: the line, counted from 1
    std::uint32_t rateChanges;      ///< rate lines of the file that set a rate

    std::int32_t reading;         ///< a ReadingMode
    std::uint32_t linesRead;      ///< lines seen, blank ones of the lenient reading too
    std::uint32_t entries;        ///< entries made
    std::uint32_t skippedCount;   ///< lines that made no entry
    std::uint32_t skippedListed;  ///< how many of them `skipped` holds
    ReadingSkippedLine skipped[kSkippedListed];  ///< the first ones, in file order

    // Version 2:
    std::uint32_t probed;       ///< 1 when probe made the report (reading only the file's
                                ///< start, and no entries), 0 when open did
    std::uint32_t zeroLine;     ///< the line of the text's first zero byte, counted from 1;
                                ///< 0 when none, or when only blanks, line breaks and zeros
                                ///< follow it (padding). The default reading ends there, the
                                ///< lenient one reads on
    std::uint32_t zeroBytes;    ///< lenient reading: the zero bytes shown as U+FFFD
    std::uint32_t unreadBytes;  ///< default reading: the text's bytes from that zero on,
                                ///< which were not read (cut to 32 bits)
    std::int32_t score;              ///< kEncodingDetected: the confidence weighed by the letters
                                     ///< of its reading, 0-100, which chose it; else -1
    std::int32_t runnerUpScore;      ///< the runner-up's, or -1 when there is none
    char likelyEncoding[kNameSize];  ///< a text taken as UTF-8 whose bytes look like another
                                     ///< encoding ("UTF-16LE" without a signature): that
                                     ///< one; else empty
};
static_assert(sizeof(ReadingReport) ==
              4 * 4 + 4 + 64 + 4 + 64 + 4 + 4 + 5 * 4 + 5 * 4 + 100 * 8 + 4 * 4 + 2 * 4 + 64);

/// The size of a version 1 report: what kReadingReportInterfaceId fills.
inline constexpr std::size_t kReadingReportV1Size = offsetof(ReadingReport, probed);
static_assert(kReadingReportV1Size == 4 * 4 + 4 + 64 + 4 + 64 + 4 + 4 + 5 * 4 + 5 * 4 + 100 * 8);

/// Answered by queryInterface(kReadingReportInterfaceId). The object is the component's and
/// lives as long as it; hosts never delete it.
class ReadingReportInterface {
public:
    /// Copies the report (or, before any open or probe, one whose outcome is
    /// kReadingNotOpened) into `*report`, as the identifier this interface was asked for
    /// says, with `version` to match. Answers 0, or 0x80100001 when `report` is null.
    virtual std::int32_t getReadingReport(ReadingReport* report) = 0;

protected:
    ~ReadingReportInterface() = default;
};

}  // namespace Tork
