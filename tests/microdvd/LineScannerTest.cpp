#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace Tork {
namespace {

struct ScanCase {
    const char* line;
    int conversions;
    std::int32_t start;
    std::int32_t end;
    const char* text;
};

TEST(ScanLine, ReadsTheTwoGroupsLikeTheScanFormat) {
    const ScanCase cases[] = {
        {"{0}{24}Hi", 3, 0, 24, "Hi"},
        {"{10}{20}", 2, 10, 20, ""},            // no text: skipped by the parser
        {"{ 10}{\t+20} Hi", 3, 10, 20, " Hi"},  // space and sign inside the braces
        {"{-5}{2}x", 3, -5, 2, "x"},
        {"{10}{}Hi", 1, 10, 0, ""},
        {"{10} {20}Hi", 1, 10, 0, ""},  // nothing may stand between the groups
        {"{10 }{20}Hi", 1, 10, 0, ""},
        {" {10}{20}Hi", 0, 0, 0, ""},  // a leading space
        {"1", 0, 0, 0, ""},            // an SRT counter line
        {"{", -1, 0, 0, ""},           // ends before the first number
        {"{5}{", 1, 5, 0, ""},
        {"{1}{1}23.976", 3, 1, 1, "23.976"},
        {"{99999999999}{-99999999999}x", 3, INT32_MAX, INT32_MIN, "x"},  // saturates
        {"{2147483648}{-2147483649}x", 3, INT32_MAX, INT32_MIN, "x"},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.line);
        const ScannedLine scanned = scanLine(c.line);
        EXPECT_EQ(scanned.conversions, c.conversions);
        if (scanned.conversions >= 1) {
            EXPECT_EQ(scanned.start, c.start);
        }
        if (scanned.conversions >= 2) {
            EXPECT_EQ(scanned.end, c.end);
        }
        if (scanned.conversions == 3) {
            EXPECT_EQ(scanned.text, c.text);
        }
    }
}

TEST(ScanLine, StopsAtAZeroByte) {
    const std::string line("{1}{2}a\0b", 9);
    EXPECT_EQ(scanLine(line).text, "a");
    EXPECT_EQ(scanLine(std::string("{1}{2}\0b", 8)).conversions, 2);
}

// Whether every run of digits, with a minus sign before it, is a 32-bit value.
bool numbersFit(const std::string& line) {
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] < '0' || line[i] > '9') {
            ++i;
            continue;
        }
        const std::size_t first = i;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
        const std::string digits = line.substr(first, i - first);
        const bool negative = first > 0 && line[first - 1] == '-';
        const std::string limit = negative ? "2147483648" : "2147483647";
        const std::string trimmed =
            digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
        if (trimmed.size() > limit.size() || (trimmed.size() == limit.size() && trimmed > limit)) {
            return false;
        }
    }
    return true;
}

// Generates lines near the format's edges and checks the scanner against sscanf itself.
// Groups of every digit count, at every distance from the line's end, beside the bytes
// just outside '0' to '9', after the digits or in place of any one: groups of up to eight
// digits are read a word at a time when nine bytes of the line follow the brace.
TEST(ScanLine, AgreesWithSscanfOnGroupsOfEveryLength) {
    const std::string digits = "908172635";  // nine: beyond, sscanf may overflow
    for (std::size_t count = 0; count <= digits.size(); ++count) {
        for (const char* after : {"}", "/}", ":}", "", "\xB0}", " }"}) {
            for (std::size_t place = 0, tail = 0; place <= count; tail = (tail + 1) % 10) {
                std::string group = "{" + digits.substr(0, count) + after;
                if (place < count && *after) group[1 + place] = *after;  // else after them
                place += tail == 9;
                for (const std::string& line : {group + "{5}" + std::string(tail, 't'),
                                                "{7}" + group + std::string(tail, 't')}) {
                    std::int32_t start = 0, end = 0;
                    std::vector<char> text(line.size() + 2, '\0');
                    const int expected =
                        std::sscanf(line.c_str(), "{%d}{%d}%[^\r\n]\n", &start, &end, text.data());
                    const ScannedLine scanned = scanSplitLine(line);
                    ASSERT_EQ(scanned.conversions, expected) << line;
                    if (expected >= 1) {
                        ASSERT_EQ(scanned.start, start) << line;
                    }
                    if (expected >= 2) {
                        ASSERT_EQ(scanned.end, end) << line;
                    }
                    // Both groups closed, the lenient reading reads what the default does.
                    if (expected >= 2 && *after == '}') {
                        const LenientLine lenient = scanLenientLine(line);
                        ASSERT_EQ(lenient.shape, LenientLine::Shape::Frames) << line;
                        ASSERT_EQ(lenient.start, start) << line;
                        ASSERT_EQ(lenient.end, end) << line;
                    }
                }
            }
        }
    }
}

TEST(ScanLine, AgreesWithSscanfOnRandomLines) {
    std::mt19937 random(20261208);
    const std::vector<std::string> pieces = {
        "{",  "}", "{", "}", " ",     "\t", "\v",  "+",        "-",           "0",          "7",
        "42", "x", "|", "/", "{y:i}", "",   "a b", "\xC3\xA9", "-2147483648", "2147483647", "\f",
    };
    auto number = [&] {
        std::uniform_int_distribution<std::int64_t> any(INT32_MIN, INT32_MAX);
        return std::to_string(any(random));
    };
    auto pick = [&] { return pieces[random() % pieces.size()]; };
    for (int round = 0; round < 200000; ++round) {
        std::string line;
        // Mostly well-formed groups, with a few pieces mixed in anywhere.
        const int parts = static_cast<int>(random() % 9);
        for (int i = 0; i < parts; ++i) {
            switch (random() % 4) {
                case 0:
                    line += "{" + number() + "}";
                    break;
                case 1:
                    line += "{" + pick() + number() + pick() + "}";
                    break;
                default:
                    line += pick();
                    break;
            }
        }
        if (!numbersFit(line)) continue;  // sscanf leaves overflow undefined
        std::int32_t start = 0, end = 0;
        std::vector<char> text(line.size() + 2, '\0');
        const int expected =
            std::sscanf(line.c_str(), "{%d}{%d}%[^\r\n]\n", &start, &end, text.data());
        const ScannedLine scanned = scanLine(line);
        ASSERT_EQ(scanned.conversions, expected) << '"' << line << '"';
        if (line.find_first_of("\r\n") == std::string::npos) {
            ASSERT_EQ(scanSplitLine(line).conversions, expected) << line;
        }
        if (expected >= 1) {
            ASSERT_EQ(scanned.start, start) << line;
        }
        if (expected >= 2) {
            ASSERT_EQ(scanned.end, end) << line;
        }
        if (expected == 3) {
            ASSERT_EQ(scanned.text, text.data()) << line;
        }
    }
}

struct SplitCase {
    const char* description;
    std::string text;
    std::vector<std::string> lines;
    // Where the text's first zero byte lies, and where the line that holds it starts.
    std::optional<std::pair<std::size_t, std::size_t>> zeroAndLine = std::nullopt;
};

TEST(LineSplitter, RunsOfCrAndLfAreOneSeparator) {
    const SplitCase cases[] = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CRLF", "a\r\nb\r\n", {"a", "b"}},
        {"CR only", "a\rb", {"a", "b"}},
        {"blank lines", "\n\r\n\na\n\n\nb", {"a", "b"}},
        {"no final separator", "a\nlast", {"a", "last"}},
        // The reader decides what the zero means: the lines end before its line.
        {"zero byte ends the text", std::string("a\nb\0c\nd", 7), {"a"}, {{3, 2}}},
        {"zero byte starting a line", std::string("a\r\n\0b", 5), {"a"}, {{3, 3}}},
        {"control bytes within long lines",
         "a\tbcdefghij\x01klmnop\r\nqrstuvwxyz\n",
         {"a\tbcdefghij\x01klmnop", "qrstuvwxyz"}},
        {"a zero byte after a whole word", std::string("abcdefghij\0k", 12), {}, {{10, 0}}},
        {"only separators", "\r\n\r\n", {}},
        {"empty", "", {}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.description);
        std::string text = c.text;
        LineSplitter splitter(text.data(), text.size());
        std::vector<std::string> lines;
        while (auto line = splitter.next()) {
            EXPECT_EQ(line->start[line->length], '\0');  // terminated in place
            lines.emplace_back(line->view());
        }
        EXPECT_EQ(lines, c.lines);
        if (c.zeroAndLine) {
            EXPECT_EQ(splitter.zero(), text.data() + c.zeroAndLine->first);
            EXPECT_EQ(splitter.position(), text.data() + c.zeroAndLine->second);
            EXPECT_EQ(splitter.number(), c.lines.size() + 1);
        } else {
            EXPECT_EQ(splitter.zero(), nullptr);
        }
    }
}

TEST(ScanLenientLine, AllowsBlanksAndAnOpenEnd) {
    using Shape = LenientLine::Shape;
    const struct {
        const char* line;
        Shape shape;
        std::int32_t start;
        std::optional<std::int32_t> end;
        const char* text;
    } cases[] = {
        {"  { 10 }\t{ -20 }  Hello\t", Shape::Frames, 10, -20, "Hello"},
        {"\xEF\xBB\xBF{1200}{ }", Shape::Frames, 1200, std::nullopt, ""},
        {" \t ", Shape::Blank, 0, std::nullopt, ""},
        {"{DEFAULT}{}{Y:b}", Shape::NoFrames, 0, std::nullopt, ""},
        {"{10}Hi", Shape::NoFrames, 0, std::nullopt, ""},
        {"{10}{20x}Hi", Shape::NoFrames, 0, std::nullopt, ""},
        {"{- 10}{20}Hi", Shape::NoFrames, 0, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const LenientLine scanned = scanLenientLine(c.line);
        EXPECT_EQ(scanned.shape, c.shape);
        if (c.shape != Shape::Frames) continue;
        EXPECT_EQ(scanned.start, c.start);
        EXPECT_EQ(scanned.end, c.end);
        EXPECT_EQ(scanned.text, c.text);
    }
}

}  // namespace
}  // namespace Tork
