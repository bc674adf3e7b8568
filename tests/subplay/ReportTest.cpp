// subplay's words for the plug-in's reading report: which warnings a reading earns.
#include "tools/subplay/Report.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace Tork::Subplay {
namespace {

Host::OpenReport opened() {
    Host::OpenReport report;
    report.outcome = kReadingOpened;
    report.encodingSource = kEncodingDefault;
    report.encoding = "UTF-8";
    return report;
}

TEST(Report, WarningsSayWhatTheReadingWorkedAround) {
    struct Row {
        const char* description;
        Host::OpenReport report;
        std::vector<std::string> warnings;
    };
    auto skipped = opened();
    skipped.skipped = {{1, kSkipNoFrameGroups},
                       {2, kSkipBlank},
                       {4, kSkipNegativeEnd},
                       {9, kSkipNoFrameGroups},
                       {12, kSkipNoText}};
    skipped.skippedCount = 5;
    auto unlisted = opened();
    unlisted.skipped = {{3, kSkipNoFrameGroups}};
    unlisted.skippedCount = 250;
    auto many = opened();  // one reason's numbers are cut after ten
    for (std::uint32_t line = 1; line <= 11; ++line)
        many.skipped.push_back({line, kSkipUnusableRate});
    many.skippedCount = 11;
    auto inconsistent = opened();  // a list longer than its count
    inconsistent.skipped = {{3, kSkipNoFrameGroups}};
    auto quiet = opened();  // how people write files: no warning
    quiet.skipped = {{2, kSkipBlank}, {3, kSkipNoText}};
    quiet.skippedCount = 2;
    auto replaced = opened();
    replaced.replacements = 3;
    auto guessed = opened();
    guessed.encodingSource = kEncodingDetected;
    guessed.encoding = "windows-1252";
    guessed.confidence = 49;
    guessed.score = 45;
    guessed.runnerUp = "ISO-8859-2";
    guessed.runnerUpConfidence = 20;
    guessed.runnerUpScore = 12;
    auto sure = guessed;
    sure.score = kLowConfidence;
    auto weighedDown = guessed;  // ICU was sure, the letters were not
    weighedDown.confidence = 90;
    auto alone = guessed;
    alone.runnerUp.clear();
    auto overruled = guessed;  // the letters outweighed ICU's order
    overruled.runnerUpConfidence = 60;
    overruled.runnerUpScore = 30;
    auto tied = guessed;  // as likely: ICU's order chose
    tied.runnerUpScore = 45;
    const Row rows[] = {
        {"clean", opened(), {}},
        {"skipped by reason",
         skipped,
         {"f.sub: skipped 2 lines (no {start}{end} at its start): 1, 9",
          "f.sub: skipped 1 line (the end frame is negative): 4"}},
        {"more than listed",
         unlisted,
         {"f.sub: skipped 1 line (no {start}{end} at its start): 3",
          "f.sub: 249 more skipped lines are not listed; --info counts them"}},
        {"blank and textless lines", quiet, {}},
        {"many of one reason",
         many,
         {"f.sub: skipped 11 lines (a rate line without a usable rate): 1, 2, 3, 4, 5, 6, 7, 8, "
          "9, 10, ..."}},
        {"count below the list",
         inconsistent,
         {"f.sub: skipped 1 line (no {start}{end} at its start): 3"}},
        {"replacements",
         replaced,
         {"f.sub: 3 byte sequences are not UTF-8 and show as U+FFFD; name the encoding with "
          "--encoding (windows-1250, KOI8-R, ...)"}},
        {"low confidence",
         guessed,
         {"f.sub: the encoding is a guess: windows-1252 at confidence 49, weighed 45 by its "
          "letters (runner-up ISO-8859-2 at confidence 20, weighed 12); if the text looks wrong, "
          "force one with --encoding NAME"}},
        {"confident", sure, {}},
        {"confident, weighed down",
         weighedDown,
         {"f.sub: the encoding is a guess: windows-1252 at confidence 90, weighed 45 by its "
          "letters (runner-up ISO-8859-2 at confidence 20, weighed 12); if the text looks wrong, "
          "force one with --encoding NAME"}},
        {"no runner-up",
         alone,
         {"f.sub: the encoding is a guess: windows-1252 at confidence 49, weighed 45 by its "
          "letters; if the text looks wrong, force one with --encoding NAME"}},
        // A runner-up of more confidence was weighed less: never suggested.
        {"runner-up of more confidence",
         overruled,
         {"f.sub: the encoding is a guess: windows-1252 at confidence 49, weighed 45 by its "
          "letters (runner-up ISO-8859-2 at confidence 60, weighed 30); if the text looks wrong, "
          "force one with --encoding NAME"}},
        {"runner-up weighed as much",
         tied,
         {"f.sub: the encoding is a guess: windows-1252 at confidence 49, weighed 45 by its "
          "letters (runner-up ISO-8859-2 at confidence 20, weighed 45); if the text looks wrong, "
          "force one with --encoding NAME, such as --encoding ISO-8859-2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        EXPECT_EQ(readingWarnings(row.report, "f.sub"), row.warnings);
    }
}

TEST(Report, AFailureSaysWhatWouldHelp) {
    struct Row {
        const char* description;
        std::int32_t outcome;
        std::int32_t systemError;
        const char* likelyEncoding;
        const char* text;
    };
    const Row rows[] = {
        {"the system's reason", kReadingReadFailed, EIO, "",
         "could not be read whole: Input/output error"},
        {"a bad line", kReadingBadLine, 0, "", "line 12: no {start}{end} at its start"},
        {"UTF-16 read as bytes", kReadingBadLine, 0, "UTF-16LE",
         "line 12: no {start}{end} at its start; the text looks like UTF-16LE without a "
         "signature: try --encoding UTF-16LE"},
        {"UTF-16 read leniently", kReadingNoFrameLines, 0, "UTF-16BE",
         "no line has {start}{end}; the text looks like UTF-16BE without a signature: try "
         "--encoding UTF-16BE"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        Host::OpenReport report;
        report.outcome = row.outcome;
        report.systemError = row.systemError;
        report.line = 12;
        report.likelyEncoding = row.likelyEncoding;
        EXPECT_EQ(failureText(report), row.text);
    }
}

}  // namespace
}  // namespace Tork::Subplay
