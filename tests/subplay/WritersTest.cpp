// The four output formats on synthetic entries, and the helpers under them.
#include "tools/subplay/Writers.h"

#include "tools/subplay/Markup.h"
#include "tools/subplay/OutputText.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace Tork::Subplay {
namespace {

const StreamDescription stream{"film \"cut\".sub", "UTF8", 320, "", "", std::nullopt};

// Start, duration and text, chosen for what each format must get right.
const Entry entries[] = {
    {1000, 2500, "<i>Hello</i>"},
    {3723004, -40, "Back\nto <b>front</B>"},  // negative duration
    {4294967000u, 1000, "<font color=\"#FF0000\">Late</font> & \"quoted\"\ttab"},
    {5000, 100, "Gap\n\n  \nbelow"},  // blank lines would end a cue
    {6000, 0, ""},
};

std::string written(OutputFormat format) {
    std::ostringstream out;
    const auto writer = makeWriter(format, out);
    writer->begin(stream);
    for (const Entry& entry : entries) writer->write(entry);
    writer->end();
    return out.str();
}

TEST(Writers, Json) {
    EXPECT_EQ(written(OutputFormat::Json),
              "{\"version\": 1, \"stream\": {\"name\": \"film \\\"cut\\\".sub\", \"format\": "
              "\"UTF8\", \"type\": "
              "320}, \"entries\": [\n"
              "{\"start\": 1000, \"duration\": 2500, \"text\": \"<i>Hello</i>\"},\n"
              "{\"start\": 3723004, \"duration\": -40, \"text\": \"Back\\nto <b>front</B>\"},\n"
              "{\"start\": 4294967000, \"duration\": 1000, \"text\": \"<font color=\\\"#FF0000\\\">"
              "Late</font> & \\\"quoted\\\"\\ttab\"},\n"
              "{\"start\": 5000, \"duration\": 100, \"text\": \"Gap\\n\\n  \\nbelow\"},\n"
              "{\"start\": 6000, \"duration\": 0, \"text\": \"\"}\n"
              "], \"count\": 5}\n");

    std::ostringstream out;
    const auto writer = makeWriter(OutputFormat::Json, out);
    writer->begin(stream);
    writer->end();
    EXPECT_EQ(out.str(),
              "{\"version\": 1, \"stream\": {\"name\": \"film \\\"cut\\\".sub\", \"format\": "
              "\"UTF8\", \"type\": "
              "320}, \"entries\": [\n], \"count\": 0}\n");
}

TEST(Writers, Srt) {
    EXPECT_EQ(written(OutputFormat::Srt),
              "1\n00:00:01,000 --> 00:00:03,500\n<i>Hello</i>\n\n"
              "2\n01:02:03,004 --> 01:02:03,004\nBack\nto <b>front</b>\n\n"
              "3\n1193:02:47,000 --> 1193:02:47,295\n<font color=\"#FF0000\">Late</font> & "
              "\"quoted\"\ttab\n\n"
              "4\n00:00:05,000 --> 00:00:05,100\nGap\nbelow\n\n"
              "5\n00:00:06,000 --> 00:00:06,000\n\n");
}

TEST(Writers, Vtt) {
    EXPECT_EQ(written(OutputFormat::Vtt),
              "WEBVTT\n\n"
              "1\n00:00:01.000 --> 00:00:03.500\n<i>Hello</i>\n\n"
              "2\n01:02:03.004 --> 01:02:03.004\nBack\nto <b>front</b>\n\n"
              "3\n1193:02:47.000 --> 1193:02:47.295\nLate &amp; \"quoted\"\ttab\n\n"
              "4\n00:00:05.000 --> 00:00:05.100\nGap\nbelow\n\n"
              "5\n00:00:06.000 --> 00:00:06.000\n\n");
}

TEST(Writers, Text) {
    EXPECT_EQ(written(OutputFormat::Text),
              "00:00:01.000 --> 00:00:03.500 <i>Hello</i>\n"
              "01:02:03.004 --> 01:02:03.004 Back\nto <b>front</B>\n"
              "1193:02:47.000 --> 1193:02:47.295 <font color=\"#FF0000\">Late</font> & "
              "\"quoted\"\ttab\n"
              "00:00:05.000 --> 00:00:05.100 Gap\n\n  \nbelow\n"
              "00:00:06.000 --> 00:00:06.000 \n");
}

TEST(Writers, MicroDvdInUtf8AtTheRateAsked) {
    std::ostringstream out;
    const auto writer = makeWriter(OutputFormat::Sub, out, Timing{1.0, 0, Host::FrameRatio{25, 1}});
    writer->begin(stream);
    for (const Entry& entry : entries) writer->write(entry);
    writer->end();
    EXPECT_EQ(out.str(),
              "\xEF\xBB\xBF{1}{1}25\n"
              "{25}{88}{y:i}Hello\n"
              "{93075}{93075}Back|to front\n"  // codes stand only at a line's start
              "{107374175}{107374182}{c:$0000FF}Late & \"quoted\"\ttab\n"
              "{125}{128}Gap||  |below\n"
              "{150}{150}\n");
    // The default rate, written to the thousandth as players read it.
    std::ostringstream fractional;
    makeWriter(OutputFormat::Sub, fractional, Timing{})->begin(stream);
    EXPECT_EQ(fractional.str(), "\xEF\xBB\xBF{1}{1}23.976\n");
}

// Times are scaled, then moved; what leaves the 32-bit clock's range wholly is dropped and
// what leaves it partly is cut at its edge.
TEST(Writers, RetimedEntries) {
    struct Row {
        const char* description;
        double scale;
        std::int64_t offset;
        Entry entry;
        std::optional<Entry> written;
    };
    constexpr std::uint32_t last = 0xFFFFFFFFu;
    const Row rows[] = {
        {"unmoved", 1.0, 1, {1000, 500, "a"}, Entry{1001, 500, "a"}},
        {"23.976 to 25", 23.976 / 25, 0, {25000, 1000, "a"}, Entry{23976, 959, "a"}},
        {"then moved", 2.0, -1000, {1000, 500, "a"}, Entry{1000, 1000, "a"}},
        {"wholly before 0", 1.0, -2000, {1000, 500, "a"}, std::nullopt},
        {"partly before 0", 1.0, -1200, {1000, 500, "a"}, Entry{0, 300, "a"}},
        {"wholly past the clock", 1.0, 1000, {last - 500, 100, "a"}, std::nullopt},
        {"partly past the clock", 1.0, 100, {last - 150, 100, "a"}, Entry{last - 50, 50, "a"}},
        {"scaled past the clock", 1e30, 0, {1000, 100, "a"}, std::nullopt},
        {"negative duration kept", 1.0, 10, {1000, -40, "a"}, Entry{1010, -40, "a"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        std::ostringstream out, expected;
        const auto writer = makeWriter(OutputFormat::Json, out, Timing{row.scale, row.offset});
        const auto plain = makeWriter(OutputFormat::Json, expected);
        writer->begin(stream);
        plain->begin(stream);
        writer->write(row.entry);
        if (row.written) plain->write(*row.written);
        writer->end();
        plain->end();
        EXPECT_EQ(out.str(), expected.str());
    }
}

// An entry of megabytes is written in blocks, never held whole, and reads as the same
// entry written at once: every format, blank lines dropped from a cue across the blocks.
TEST(Writers, LargeEntriesGoOutInBlocksAsTheyWouldWhole) {
    const std::string piece = "a\n \n<font face=\"x\">b</font>\x01\n";
    std::string text;
    for (std::size_t i = 0; text.size() < 3 * kSpillSize; ++i) text += piece;
    const std::size_t pieces = text.size() / piece.size();
    const std::string printed = "a\n<font face=\"x\">b</font>\xEF\xBF\xBD\n";
    std::string srt = "1\n00:00:01,000 --> 00:00:02,000\n", sub = "\xEF\xBB\xBF{1}{1}25\n{25}{50}";
    std::string json;
    for (std::size_t i = 0; i < pieces; ++i) {
        srt += printed;
        sub += i ? "|a| |{f:x}b\xEF\xBF\xBD" : "a| |{f:x}b\xEF\xBF\xBD";
        json += "a\\n \\n<font face=\\\"x\\\">b</font>\xEF\xBF\xBD\\n";
    }
    srt += "\n";
    sub += "|\n";
    struct Row {
        OutputFormat format;
        std::string expected;  // what follows the header, or all
    };
    const Row rows[] = {
        {OutputFormat::Srt, srt}, {OutputFormat::Sub, sub}, {OutputFormat::Json, json}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.format));
        std::ostringstream out;
        const auto writer = makeWriter(row.format, out, Timing{1.0, 0, Host::FrameRatio{25, 1}});
        writer->begin(stream);
        writer->write(Entry{1000, 1000, text});
        writer->end();
        EXPECT_NE(out.str().find(row.expected), std::string::npos);
    }
}

TEST(Writers, EncodingsHaveOneSpelling) {
    EXPECT_EQ(encodingLabel("UTF8"), "UTF-8");
    EXPECT_EQ(encodingLabel("UTF-8"), "UTF-8");
    EXPECT_EQ(encodingLabel("utf8"), "UTF-8");
    EXPECT_EQ(encodingLabel("UTF16-LE"), "UTF-16LE");
    EXPECT_EQ(encodingLabel("UTF32-BE"), "UTF-32BE");
    EXPECT_EQ(encodingLabel("windows-1250"), "windows-1250");
}

TEST(Writers, CueEndsNeverBeforeTheStartNorWrap) {
    struct Row {
        std::uint32_t start;
        std::int32_t duration;
        std::uint32_t end;
    };
    const Row rows[] = {
        {1000, 2000, 3000},
        {1000, 0, 1000},
        {1000, -1, 1000},
        {0, INT32_MIN, 0},
        {0xFFFFFF00u, 0xFF, 0xFFFFFFFFu},
        {0xFFFFFF00u, 0x100, 0xFFFFFFFFu},  // would wrap to 0
        {0x80000000u, INT32_MAX, 0xFFFFFFFFu},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.start << " + " << row.duration);
        EXPECT_EQ(cueEnd(row.start, row.duration), row.end);
    }
}

TEST(Writers, OnlyPrintableTextGoesOut) {
    struct Row {
        std::string_view bytes;
        std::string_view text;
    };
    const std::string_view r = "\xEF\xBF\xBD";
    const Row rows[] = {
        {"\xC5\xBDlu\xC5\xA5\tand\nmore", "\xC5\xBDlu\xC5\xA5\tand\nmore"},
        {"caf\xE9!", "caf\xEF\xBF\xBD!"},  // a Latin-1 byte
        {"\x1B]0;title\x07", "\xEF\xBF\xBD]0;title\xEF\xBF\xBD"},
        {"\r\x7F\xC2\x9B\xC2\xA0", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xC2\xA0"},  // CR, DEL, CSI
        // past whole words of ASCII: a control byte, a letter, NEL and a lead byte at the end
        {"eight bytes\x01 then \xC3\xA9t\xC2\x85 and \xC3",
         "eight bytes\xEF\xBF\xBD then \xC3\xA9t\xEF\xBF\xBD and \xEF\xBF\xBD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.bytes)));
        EXPECT_EQ(printable(row.bytes), row.text);
    }
    EXPECT_EQ(printable(std::string_view("a\0b", 3)), std::string("a") + std::string(r) + "b");
    EXPECT_EQ(jsonString(std::string_view("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\x7f\"");
    EXPECT_EQ(jsonString(std::string_view("a\0b", 3)), "\"a\\u0000b\"");
}

// Each character at every place in a word or a block of sixteen and in the tail past the
// last whole one, among two-byte letters and U+00A0 (C2 A0, which shares its lead byte
// with the C1 controls).
TEST(Writers, ControlsAreReplacedWhereverTheyFall) {
    struct Row {
        std::string_view character;
        std::string_view shown;
    };
    const std::string_view r = "\xEF\xBF\xBD";
    const Row rows[] = {
        {std::string_view("\0", 1), r},
        {"\x1B", r},
        {"\x7F", r},
        {"\xC2\x80", r},
        {"\xC2\x9F", r},
        {"\n", "\n"},
        {"\t", "\t"},
        {"\xC2\xA0", "\xC2\xA0"},
        {"\xE2\x80\xA8", "\xE2\x80\xA8"},
    };
    StreamDescription reported = stream;
    reported.report.emplace();
    // U+00A0 among the letters, and not: a text without C2 is cleared without a search.
    for (const std::string_view third : {"\xC2\xA0", "c"}) {
        const std::string_view letters[] = {"a", "\xC5\xBC", third, "b"};
        for (const Row& row : rows) {
            for (std::size_t at = 0; at <= 19; ++at) {
                // Whole characters up to `at`, padded with ASCII so the text stays well-formed.
                std::string filler;
                for (std::size_t next = 0; filler.size() + letters[next % 4].size() <= at; ++next)
                    filler += letters[next % 4];
                filler.resize(at, 'x');
                for (const std::string_view after : {"", "xyz", "\xC4\x85 twelve bytes"}) {
                    const std::string text =
                        filler + std::string(row.character) + std::string(after);
                    SCOPED_TRACE(testing::PrintToString(text));
                    const std::string shown = filler + std::string(row.shown) + std::string(after);
                    EXPECT_EQ(printable(text), shown);
                    // A writer's entry, which the plug-in's UTF-8 spares a check.
                    std::ostringstream out;
                    const auto writer = makeWriter(OutputFormat::Json, out);
                    writer->begin(reported);
                    writer->write({0, 0, text});
                    writer->end();
                    EXPECT_NE(out.str().find(jsonString(shown) + '}'), std::string::npos);
                    // The same around an ill-formed byte, which no longer lets a control through.
                    EXPECT_EQ(printable(text + "\xFF"), filler + std::string(row.shown) +
                                                            std::string(after) + std::string(r));
                }
            }
        }
    }
}

// A blank line ends a cue early: dropped wherever it falls in a word or past the last one,
// and a text's last line feed with it.
TEST(Writers, BlankLinesGoWhereverTheyFall) {
    const std::string letters = "abcdefghijklmnopqrstu";
    for (std::size_t at = 1; at < letters.size(); ++at) {
        for (const std::string_view blank : {"", " ", " \t"}) {
            const std::string text =
                letters.substr(0, at) + "\n" + std::string(blank) + "\n" + letters.substr(at);
            SCOPED_TRACE(testing::PrintToString(text));
            for (const std::string_view after : {"", "\n"}) {
                std::ostringstream out;
                const auto writer = makeWriter(OutputFormat::Srt, out);
                writer->begin(stream);
                writer->write({0, 0, text + std::string(after)});
                writer->end();
                EXPECT_EQ(out.str(), "1\n00:00:00,000 --> 00:00:00,000\n" + letters.substr(0, at) +
                                         "\n" + letters.substr(at) + "\n\n");
            }
        }
    }
}

// Cue numbers are counted up digit by digit: each carry into a new digit.
TEST(Writers, CueNumbersCarry) {
    std::ostringstream out;
    const auto writer = makeWriter(OutputFormat::Srt, out);
    writer->begin(stream);
    for (std::uint32_t i = 0; i < 1001; ++i) writer->write({i, 1, "a"});
    writer->end();
    const std::string text = out.str();
    EXPECT_TRUE(text.starts_with("1\n00:00:00,000"));
    for (const std::string_view number : {"9", "10", "11", "99", "100", "101", "999", "1000"}) {
        const auto at = text.find("\n\n" + std::string(number) + "\n00:00:00,");
        EXPECT_NE(at, std::string::npos) << number;
    }
    EXPECT_TRUE(text.ends_with("\n\n1001\n00:00:01,000 --> 00:00:01,001\na\n\n"));
}

// Each field of a time at its last value and past it: digits come from tables, and hours
// take a third digit.
TEST(Writers, TimesAtTheirEdges) {
    const std::pair<std::uint32_t, std::string_view> rows[] = {
        {0, "00:00:00.000"},          {999, "00:00:00.999"},
        {1000, "00:00:01.000"},       {59999, "00:00:59.999"},
        {60000, "00:01:00.000"},      {3599999, "00:59:59.999"},
        {3600000, "01:00:00.000"},    {359999999, "99:59:59.999"},
        {360000000, "100:00:00.000"}, {4294967295u, "1193:02:47.295"},
    };
    for (const auto& [milliseconds, text] : rows) {
        EXPECT_EQ(formatTime(milliseconds), text);
        EXPECT_EQ(formatTime(milliseconds, ','),
                  std::string(text).replace(text.size() - 4, 1, ","));
    }
}

// The bytes JSON and WebVTT escape, at every place in a word and in the tail past the last
// whole word, among two-byte letters: the searches go eight bytes at a time.
TEST(Writers, EscapesWhereverTheyFall) {
    struct Row {
        Markup markup;  // Plain for JSON
        std::string_view character;
        std::string_view written;
    };
    const Row rows[] = {
        {Markup::Plain, "\"", "\\\""},      {Markup::Plain, "\\", "\\\\"},
        {Markup::Plain, "\x01", "\\u0001"}, {Markup::Plain, "\n", "\\n"},
        {Markup::Vtt, "&", "&amp;"},        {Markup::Vtt, "<", "&lt;"},
        {Markup::Vtt, ">", "&gt;"},
    };
    for (const Row& row : rows) {
        for (std::size_t at = 0; at <= 19; ++at) {
            std::string filler;
            while (filler.size() + 2 <= at) filler += "\xC5\xBC";
            filler.resize(at, 'x');
            for (const std::string_view after : {"", "xyz", "\xC4\x85 twelve bytes"}) {
                const std::string text = filler + std::string(row.character) + std::string(after);
                const std::string expected = filler + std::string(row.written) + std::string(after);
                SCOPED_TRACE(testing::PrintToString(text));
                if (row.markup == Markup::Vtt) {
                    EXPECT_EQ(rewritten(Markup::Vtt, text), expected);
                } else {
                    EXPECT_EQ(jsonString(text), '"' + expected + '"');
                }
            }
        }
    }
}

// Every writer shows an entry's text through the same filter, whether the text needs repair
// or not; a text that needs none may be written from where it is, one that does never is.
TEST(Writers, EveryFormatReplacesControlsInEntries) {
    const Entry shown[] = {
        {1000, 500, "plain \xC5\xBC text"},
        {2000, 500, "bell\x07 and NEL\xC2\x85 here"},
        {3000, 500, "Latin-1 \xE9 and escape\x1B[2J"},
        {4000, 500, "plain again"},
    };
    for (const OutputFormat format : {OutputFormat::Json, OutputFormat::Srt, OutputFormat::Vtt,
                                      OutputFormat::Text, OutputFormat::Sub}) {
        std::ostringstream out;
        const auto writer = makeWriter(format, out);
        writer->begin(stream);
        for (const Entry& entry : shown) writer->write(entry);
        writer->end();
        const std::string text = out.str();
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(text.find_first_of(std::string_view("\x07\x1B\r\0", 4)), std::string::npos);
        EXPECT_EQ(text.find("\xC2\x85"), std::string::npos);
        EXPECT_EQ(text.find("\xE9"), std::string::npos);
        EXPECT_NE(text.find("plain \xC5\xBC text"), std::string::npos);
        EXPECT_NE(text.find("bell\xEF\xBF\xBD and NEL\xEF\xBF\xBD here"), std::string::npos);
        EXPECT_NE(text.find("Latin-1 \xEF\xBF\xBD and escape\xEF\xBF\xBD[2J"), std::string::npos);
        EXPECT_NE(text.find("plain again"), std::string::npos);
    }
}

// The plug-in's entries are not checked for UTF-8 again, yet their controls still go, and
// bytes that are not UTF-8 after all are never read past nor let a control through.
TEST(Writers, EntriesOfTheReportingPlugInAreTakenAsTheyAre) {
    StreamDescription reported = stream;
    reported.report.emplace();
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> rows[] = {
        {"bell\x07 and NEL\xC2\x85 \xC5\xBC", "bell" + r + " and NEL" + r + " \xC5\xBC"},
        {"\xC2", "\xC2"},
        {"seven b\xC2", "seven b\xC2"},  // past a whole word, at the very end
        {"\xC2\x01x", "\xC2" + r + "x"},
        {"\xC2\xC2\x85", "\xC2" + r},
        {"eight by\xC2\xC2\x9B[2J", "eight by\xC2" + r + "[2J"},
    };
    for (const auto& [bytes, shown] : rows) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        for (const OutputFormat format : {OutputFormat::Text, OutputFormat::Srt}) {
            std::ostringstream out;
            const auto writer = makeWriter(format, out);
            writer->begin(reported);
            writer->write({1000, 500, bytes});
            writer->end();
            EXPECT_EQ(out.str(), format == OutputFormat::Text
                                     ? "00:00:01.000 --> 00:00:01.500 " + shown + "\n"
                                     : "1\n00:00:01,000 --> 00:00:01,500\n" + shown + "\n\n");
        }
    }
}

// A cue's text goes out as it stands only where the full path would give it back unchanged:
// each byte that needs a look, at every place of a text two blocks of sixteen long, and
// tags that SubRip keeps as they are beside ones it rewrites, closes or drops.
TEST(Writers, CuesTakenAsTheyStandMatchTheFullPath) {
    StreamDescription reported = stream;
    reported.report.emplace();
    const auto cue = [&](OutputFormat format, std::string_view text) {
        std::ostringstream out;
        const auto writer = makeWriter(format, out);
        writer->begin(reported);
        writer->write({1000, 500, std::string(text)});
        writer->end();
        return out.str();
    };
    // The full path's pieces one by one: repaired, rewritten, blank lines dropped.
    const auto expected = [](Markup markup, std::string_view text) {
        const std::string shown = rewritten(markup, printable(text)) + "\n";
        std::string kept;
        for (std::size_t from = 0, to; from < shown.size(); from = to + 1) {
            to = shown.find('\n', from);
            const std::string_view line = std::string_view(shown).substr(from, to - from + 1);
            if (line.find_first_not_of(" \t\r\n") != std::string_view::npos) kept += line;
        }
        return kept;
    };
    std::vector<std::string> texts = {
        "<i>one</i> <b>two <u>three</u></b> <s>four</s>",
        "<font color=\"#ff00AA\">colour</font>\n- <i>and a line</i>",
        "<I>upper</I>",
        "<i>left open",
        "closed </i> alone",
        "<i><b>crossed</i></b>",
        "<font color=\"#12345G\">not hex</font>",
        "<font color=\"#FF0000\"",
        "<font face=\"Arial\">face</font>",
        "<i><i><i><i><i><i><i><i><i>nine deep</i></i></i></i></i></i></i></i></i>",
        "<x> and a lone <",
        "",
        "\n",
    };
    const std::string letters =
        "ab\xC5\xBC cd\xC4\x85 efghijklmnopqrstuvwxyz\xC5\x82"
        "ABCDEF";
    for (const std::string_view mark : {"\x01", "\x7F", "\xC2\xA0", "\xC2\x85", "&", ">", "<",
                                        "<i>", "\t", " ", "\n", "\n ", "\n\t", "\n\n", "\r\n"}) {
        for (std::size_t at = 0; at <= letters.size(); ++at) {
            if (at < letters.size() && (letters[at] & 0xC0) == 0x80) continue;  // a whole letter
            texts.push_back(letters.substr(0, at) + std::string(mark) + letters.substr(at));
        }
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(cue(OutputFormat::Srt, text),
                  "1\n00:00:01,000 --> 00:00:01,500\n" + expected(Markup::Srt, text) + "\n");
        EXPECT_EQ(cue(OutputFormat::Vtt, text), "WEBVTT\n\n1\n00:00:01.000 --> 00:00:01.500\n" +
                                                    expected(Markup::Vtt, text) + "\n");
    }
}

}  // namespace
}  // namespace Tork::Subplay
