#include "microdvd/MicroDVDParser.h"

#include "framework/ReadingReport.h"
#include "subtitle/EntryStore.h"
#include "tests/support/MicroDVDText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Tork {
namespace {

struct Entry {
    std::uint32_t start;
    std::int32_t duration;
    std::string text;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& e) {
    return out << "{" << e.start << ", " << e.duration << ", \"" << e.text << "\"}";
}

struct Parsed {
    bool ok;
    std::vector<Entry> entries;
};

Parsed parse(const std::string& text, FrameRate rate = {},
             MicroDVDReading reading = MicroDVDReading::Default, ParseReport* report = nullptr) {
    EntryStore store{String(text)};
    const bool ok = parseMicroDVD(store, rate, reading, kMaxEntryLength, report);
    Parsed parsed{ok, {}};
    for (const EntryRecord& entry : store.records()) {
        parsed.entries.push_back({entry.start, entry.duration, std::string(store.text(entry))});
    }
    return parsed;
}

struct FileCase {
    const char* description;
    std::string text;
    FrameRate rate;
    bool ok;
    std::vector<Entry> entries;
};

TEST(ParseMicroDVD, Files) {
    const FrameRate ntsc{24000, 1001}, pal{25, 1};
    const FileCase cases[] = {
        {"default rate", "{0}{24}Hi", ntsc, true, {{0, 1001, "Hi"}}},
        {"host ratio 1/25", "{0}{24}Hi", pal, true, {{0, 960, "Hi"}}},
        {"declaration applies to later lines",
         "{0}{24}Before\n{1}{1}25\n{25}{50}Hi\n",
         ntsc,
         true,
         {{0, 1001, "Before"}, {1000, 1000, "Hi"}}},
        {"declaration may repeat",
         "{1}{1}25\n{25}{25}a\n{1}{1}50\n{25}{25}b",
         ntsc,
         true,
         {{1000, 0, "a"}, {500, 0, "b"}}},
        {"unusable declarations are dropped",
         "{1}{1}0\n{1}{1}25/\n{1}{1}.\n{24}{48}x",
         ntsc,
         true,
         {{1001, 1001, "x"}}},
        {"{1}{1} text that is no rate",
         "{1}{1}Hello\n{1}{1}1,5 km",
         pal,
         true,
         {{40, 0, "Hello"}, {40, 0, "1,5 km"}}},
        {"long {1}{1} text is a subtitle",
         "{1}{1}" + std::string(100, '5'),
         pal,
         true,
         {{40, 0, std::string(100, '5')}}},
        {"lines without text are skipped", "{10}{20}\n{25}{50}x", pal, true, {{1000, 1000, "x"}}},
        {"negative duration stored as computed", "{5}{2}Hi", pal, true, {{200, -120, "Hi"}}},
        {"bars become line feeds before the code",
         "{0}{1}/Hi|there\n{0}{1}Hi|/there",
         pal,
         true,
         {{0, 40, "<i>Hi\nthere</i>"}, {0, 40, "Hi\n/there"}}},
        {"bars anywhere in a long text",
         "{0}{1}abcdefgh|ijklmnopqrs|t|",
         pal,
         true,
         {{0, 40, "abcdefgh\nijklmnopqrs\nt\n"}}},
        {"a style code alone leaves an empty entry", "{0}{25}{y:u}", pal, true, {{0, 1000, ""}}},
        {"colour code",
         "{0}{25}{c:$0000FF}Red",
         pal,
         true,
         {{0, 1000, "<font color=\"#FF0000\">Red</font>"}}},
        {"CR only and CRLF",
         "{0}{25}a\r{25}{50}b\r\n\r\n{50}{75}c",
         pal,
         true,
         {{0, 1000, "a"}, {1000, 1000, "b"}, {2000, 1000, "c"}}},
        {"a zero byte ends the text",
         std::string("{0}{25}a\n{25}{50}b\0{50}{75}c", 28),
         pal,
         true,
         {{0, 1000, "a"}, {1000, 1000, "b"}}},
        {"only declarations", "{1}{1}25\n", ntsc, true, {}},
        {"empty braces fail", "{10}{}Hi", pal, false, {}},
        {"space between the groups fails", "{10} {20}Hi", pal, false, {}},
        {"leading space fails", " {10}{20}Hi", pal, false, {}},
        {"a bad line after good ones keeps what was made",
         "{0}{25}a\n1\n{25}{50}b",
         pal,
         false,
         {{0, 1000, "a"}}},
        {"a signature left in the text fails", "\xEF\xBB\xBF{0}{25}a", pal, false, {}},
        {"denominator 0 is no rate", "{1}{1}25/0\n{100}{200}x", ntsc, true, {{4170, 4171, "x"}}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.description);
        const Parsed parsed = parse(c.text, c.rate);
        EXPECT_EQ(parsed.ok, c.ok);
        EXPECT_EQ(parsed.entries, c.entries);
    }
}

// A rate line without a usable rate is consumed and counted; the rate stays.
TEST(ParseMicroDVD, CountsUnusableRateLines) {
    for (const char* text :
         {"{1}{1}25/0\n{25}{50}x", "{1}{1}0\n{25}{50}x", "{1}{1}25/\n{25}{50}x"}) {
        SCOPED_TRACE(text);
        EntryStore store{String(text)};
        ParseReport report;
        ASSERT_TRUE(
            parseMicroDVD(store, {25, 1}, MicroDVDReading::Default, kMaxEntryLength, &report));
        EXPECT_EQ(report.rateChanges, 0u);
        EXPECT_EQ(report.rate, (FrameRate{25, 1}));
        ASSERT_EQ(report.skipped.size(), 1u);
        EXPECT_EQ(report.skipped[0].line, 1u);
        EXPECT_EQ(report.skipped[0].reason, kSkipUnusableRate);
        EXPECT_EQ(store.size(), 1u);
    }
}

TEST(ParseMicroDVD, LongLinesAreParsedWhole) {
    const std::string text(5000, 'x');
    const Parsed parsed = parse("{0}{25}" + text, {25, 1});
    ASSERT_EQ(parsed.entries.size(), 1u);
    EXPECT_EQ(parsed.entries[0].text, text);
}

// A chunk's size is signed 32 bits: a longer text fails rather than wrapping negative.
// A translation is written in the line it came from where it fits, else into a copy; a
// short line's and a long one's take different ways there.
TEST(ParseMicroDVD, TranslationsInTheLineOrCopiedAtEveryLength) {
    const auto italicLines = [](std::size_t lines, std::size_t lastLength) {
        std::string file = "{0}{1}", text;
        for (std::size_t i = 0; i < lines; ++i) file += "/a|", text += "<i>a</i>\n";
        file += "/" + std::string(lastLength, 'b');
        text += "<i>" + std::string(lastLength, 'b') + "</i>";
        return std::pair{file, text};
    };
    const auto lenient = MicroDVDReading::Lenient, byDefault = MicroDVDReading::Default;
    struct Case {
        std::pair<std::string, std::string> fileAndText;
        MicroDVDReading reading;
    };
    const std::string bs(5000, 'b');
    const Case cases[] = {
        {{"{0}{1}/x", "<i>x</i>"}, byDefault},                   // exactly the line's length
        {{"{0}{1}{y:b}a", "<b>a</B>"}, byDefault},               // shorter, rewritten
        {{"{0}{1}{q:1}a", "a"}, lenient},                        // codes dropped only
        {{"{0}{1}/a|/b", "<i>a</i>\n<i>b</i>"}, lenient},        // longer: copied
        {{"{0}{1}{y:b}" + bs, "<b>" + bs + "</B>"}, byDefault},  // long, shorter
        {italicLines(2000, 3), lenient},                         // long, longer
        // Around the length up to which a line is translated without measuring first.
        {italicLines(1361, 5), lenient},
        {italicLines(1361, 6), lenient},
        {italicLines(1361, 7), lenient},
        {{"{0}{1}{y:b}" + std::string(4085, 'c'), "<b>" + std::string(4085, 'c') + "</B>"},
         byDefault},
        {{"{0}{1}{y:b}" + std::string(4086, 'c'), "<b>" + std::string(4086, 'c') + "</B>"},
         byDefault},
    };
    for (const Case& c : cases) {
        const auto& [file, text] = c.fileAndText;
        SCOPED_TRACE(file.substr(0, 30) + " of " + std::to_string(file.size()));
        const Parsed parsed = parse(file + "\n{5}{6}after", {25, 1}, c.reading);
        EXPECT_TRUE(parsed.ok);
        EXPECT_EQ(parsed.entries, (std::vector<Entry>{{0, 40, text}, {200, 40, "after"}}));
    }
}

TEST(ParseMicroDVD, FailsAtATextLongerThanAChunkHolds) {
    EntryStore store{String("{0}{25}{c:$0000FF}Hi")};  // 31 bytes once translated
    EXPECT_FALSE(parseMicroDVD(store, {}, {}, 30));
}

// Each rule of the lenient reading at 25 frames per second, beside the number of entries
// that the default reading makes of the same file (-1: it fails).
TEST(ParseMicroDVD, LenientReading) {
    using namespace std::string_literals;
    const struct {
        const char* rule;
        std::string text;
        std::optional<std::vector<Entry>> lenient;  // none: the file fails
        int strict;
    } cases[] = {
        {"lines",
         "{DEFAULT}{}{Y:b}\n \t \n{0}{25}a\nby someone\n{25}{50}b\0{50}{75}c"s,
         {{{0, 1000, "a"}, {1000, 1000, "b\xEF\xBF\xBD{50}{75}c"}}},
         -1},
        {"no frame line fails", "1\n00:00:01,000 --> 00:00:02,000\nHi\n", std::nullopt, -1},
        {"frame lines without entries open", "{1}{1}25\n{10}{20}\n", {{}}, 0},
        {"white space",
         "  { 0 } { 25 }  Hello  \n{ 1 } { 1 }  50   \n{50}{100}x",
         {{{0, 1000, "Hello"}, {1000, 1000, "x"}}},
         -1},
        {"negative frames",
         "{-35}{23}a\n{-50}{-1}b\n{-10}{}c\n{25}{50}d",
         {{{0, 920, "a"}, {0, 1000, "c"}, {1000, 1000, "d"}}},
         -1},
        {"open ends",
         "{100}{}a\n{150}{}b\n{125}{140}c\n{150}{175}d",
         {{{4000, 1000, "a"}, {6000, 3000, "b"}, {5000, 600, "c"}, {6000, 1000, "d"}}},
         -1},
        {"rate lines",
         "{1}{1}23.976 fps\n{0}{0}50\n{1}{}10\n{50}{100}x",
         {{{5000, 5000, "x"}}},
         -1},
        {"rate lines as release notes write them",
         "{1}{1}4.37GB; 1280x704; 23.976fps.\n{50}{100}x\n{0}{0}25.000 movie info\n{50}{100}y",
         {{{2085, 2085, "x"}, {2000, 2000, "y"}}},
         4},
        {"a rate line states a rate",
         "{1}{1}1,5 km\n{1}{1}Hello\n{50}{100}x",
         {{{40, 0, "1,5 km"}, {40, 0, "Hello"}, {2000, 2000, "x"}}},
         3},
        {"rate lines only among the first three frame lines, from 0 or 1 to 0, 1 or nothing, "
         "above 3 and below 200",
         "j\n{0}{1}a\n{2}{2}50\n{0}{2}50\n{0}{0}50\n{0}{0}2",
         {{{0, 40, "a"}, {80, 0, "50"}, {0, 80, "50"}, {0, 0, "50"}, {0, 0, "2"}}},
         -1},
        {"codes", "{0}{25}{y:i}A|{y:b}B", {{{0, 1000, "<i>A</i>\n<b>B</B>"}}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const Parsed lenient = parse(c.text, {25, 1}, MicroDVDReading::Lenient);
        EXPECT_EQ(lenient.ok, c.lenient.has_value());
        EXPECT_EQ(lenient.entries, c.lenient.value_or(std::vector<Entry>{}));
        const Parsed strict = parse(c.text, {25, 1});
        EXPECT_EQ(strict.ok ? static_cast<int>(strict.entries.size()) : -1, c.strict);
    }
}

// A zero byte ends the default reading, which tells its line and the bytes left unread;
// the lenient reading shows it as U+FFFD and reads on. Zeros that only blanks, line breaks
// and zeros follow are padding in both. At 25 frames per second.
TEST(ParseMicroDVD, ZeroBytes) {
    using namespace std::string_literals;
    const std::string fffd = "\xEF\xBF\xBD";
    struct Reading {
        std::optional<std::vector<Entry>> entries;  // none: the file fails
        std::uint32_t zeroLine;
        std::size_t zeros;  // the default reading's bytes unread, the lenient one's shown
        std::uint32_t linesRead;
    };
    const struct {
        const char* where;
        std::string text;
        Reading strict, lenient;
    } cases[] = {
        {"in a line",
         "{1}{50}One\n{60}{100}Two \0 x\n{200}{300}Three\n"s,
         {{{{40, 1960, "One"}, {2400, 1600, "Two "}}}, 2, 20, 2},
         {{{{40, 1960, "One"}, {2400, 1600, "Two " + fffd + " x"}, {8000, 4000, "Three"}}},
          2,
          1,
          3}},
        {"at the start of a line",
         "{1}{2}a\n\0{3}{4}b"s,
         {{{{40, 40, "a"}}}, 2, 8, 1},
         {{{{40, 40, "a"}}}, 2, 1, 2}},
        {"at the start of the text",
         "\0{1}{2}a"s,
         {std::vector<Entry>{}, 1, 8, 0},
         {std::nullopt, 1, 1, 1}},
        {"several, with codes after them",
         "{1}{2}a\0b\0\n\0\n{3}{4}\0c|{y:i}d\0\0"s,
         {{{{40, 40, "a"}}}, 1, 23, 1},
         {{{{40, 40, "a" + fffd + "b" + fffd}, {120, 40, fffd + "c\n<i>d</i>"}}}, 1, 4, 3}},
        {"padding after the last line",
         "{1}{2}a\r\n\0\0\0"s,
         {{{{40, 40, "a"}}}, 0, 0, 1},
         {{{{40, 40, "a"}}}, 0, 0, 1}},
        {"padding among blanks",
         "{1}{2}a\n\0 \t\0\r\n\0"s,
         {{{{40, 40, "a"}}}, 0, 0, 1},
         {{{{40, 40, "a"}}}, 0, 0, 1}},
        {"padding after a text",
         "{1}{2}a\0\0"s,
         {{{{40, 40, "a"}}}, 0, 0, 1},
         {{{{40, 40, "a"}}}, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        for (const auto& [reading, expected] : {std::pair{MicroDVDReading::Default, c.strict},
                                                std::pair{MicroDVDReading::Lenient, c.lenient}}) {
            const bool lenient = reading == MicroDVDReading::Lenient;
            SCOPED_TRACE(lenient ? "lenient" : "default");
            ParseReport report;
            const Parsed parsed = parse(c.text, {25, 1}, reading, &report);
            EXPECT_EQ(parsed.ok, expected.entries.has_value());
            EXPECT_EQ(parsed.entries, expected.entries.value_or(std::vector<Entry>{}));
            EXPECT_EQ(report.zeroLine, expected.zeroLine);
            EXPECT_EQ(lenient ? report.zeroBytes : report.unreadBytes, expected.zeros);
            EXPECT_EQ(lenient ? report.unreadBytes : report.zeroBytes, 0u);
            EXPECT_EQ(report.linesRead, expected.linesRead);
        }
    }
}

// Files shifted by an editor hold frames before 0; read unsigned they would show hundreds of
// hours in. Both readings alike, at 25 frames per second.
TEST(ParseMicroDVD, NegativeFramesInEveryReading) {
    const std::pair<const char*, std::vector<Entry>> cases[] = {
        {"{-35}{23}a", {{0, 920, "a"}}},  // begun before the film: shown from its start
        {"{-5}{0}a", {{0, 0, "a"}}},
        {"{-2147483648}{25}a", {{0, 1000, "a"}}},
        {"{-50}{-1}a", {}},  // over before the film: dropped
        {"{10}{-1}a", {}},
        {"{0}{-2147483648}a", {}},
        {"{-50}{-1}a\n{25}{50}b", {{1000, 1000, "b"}}},
        {"{1}{1}25\n{-25}{25}a", {{0, 1000, "a"}}},
    };
    for (const MicroDVDReading reading : {MicroDVDReading::Default, MicroDVDReading::Lenient}) {
        for (const auto& [text, entries] : cases) {
            SCOPED_TRACE(text);
            const Parsed parsed = parse(text, {25, 1}, reading);
            EXPECT_TRUE(parsed.ok);
            EXPECT_EQ(parsed.entries, entries);
        }
    }
}

// Entries that start together keep the file's order, however unsorted the file is.
TEST(ParseMicroDVD, EqualStartsKeepTheFilesOrder) {
    // Eight groups of eight, the groups descending.
    const std::string file =
        Testing::MicroDVDLines()
            .starts([](std::size_t i) { return static_cast<std::int64_t>(63 - i) / 8 * 25; }, 25)
            .text([](std::size_t i) { return std::to_string(i); })
            .lines(64);
    EntryStore store{String(file)};
    ASSERT_TRUE(parseMicroDVD(store, {25, 1}));
    store.finish();
    const auto records = store.records();
    ASSERT_EQ(records.size(), 64u);
    for (std::size_t i = 1; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_LE(records[i - 1].start, records[i].start);
        if (records[i - 1].start == records[i].start) {
            EXPECT_LT(std::stoi(std::string(store.text(records[i - 1]))),
                      std::stoi(std::string(store.text(records[i]))));
        }
    }
}

}  // namespace
}  // namespace Tork
