// Every kernel of every instruction set this processor runs, against the rules and against
// the portable kernels, over case tables and random text.
#include "scan/Scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace Tork::Scan {
namespace {

template <class Kernels>
class Kernel : public testing::Test {
protected:
    void SetUp() override {
        if (!Kernels::available()) GTEST_SKIP() << Kernels::name << " is not on this processor";
    }
};

#if TORK_SCAN_X86_64
using AllKernels = testing::Types<Portable, Sse2, Avx2>;
#else
using AllKernels = testing::Types<Portable>;
#endif
struct KernelName {
    template <class Kernels>
    static std::string GetName(int) {
        return Kernels::name;
    }
};
TYPED_TEST_SUITE(Kernel, AllKernels, KernelName);

// Texts of well-formed pieces with a stray byte here and there, of every length around the
// words and blocks read at once: what every random comparison below runs over.
std::vector<std::string> randomTexts(unsigned seed, int count, std::size_t longest) {
    static const char* const pieces[] = {
        "a",    "{1}",      "\r\n",     "\n",       "\r",           "|",
        "<",    "&",        ">",        " ",        "\t",           "/",
        "\\",   "\xC3\xA9", "\xC2\xA0", "\xC2\x85", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "\x7F", "\x01"};
    std::mt19937 random(seed);
    std::vector<std::string> texts;
    for (int round = 0; round < count; ++round) {
        std::string text;
        const std::size_t length = random() % longest;
        while (text.size() < length) text += pieces[random() % std::size(pieces)];
        if (round % 2 && !text.empty())
            text[random() % text.size()] = static_cast<char>(random() % 256);
        texts.push_back(std::move(text));
    }
    return texts;
}

struct PieceCase {
    const char* description;
    std::string bytes;
    bool wellFormed;
};

const PieceCase pieceCases[] = {
    {"two bytes", "\xC3\xA9", true},
    {"three bytes", "\xE2\x82\xAC", true},
    {"four bytes", "\xF0\x9F\x98\x80", true},
    {"the highest scalar", "\xF4\x8F\xBF\xBF", true},
    {"the lowest three-byte", "\xE0\xA0\x80", true},
    {"below the surrogates", "\xED\x9F\xBF", true},
    {"a run of letters", "\xC5\xBC\xC3\xB3\xC5\x82\xE2\x80\x94\xF0\x90\x80\x80", true},
    {"a lone continuation", "\x80", false},
    {"two continuations", "\xC3\xA9\xA9", false},
    {"overlong two-byte C0", "\xC0\x80", false},
    {"overlong two-byte C1", "\xC1\xBF", false},
    {"overlong three-byte", "\xE0\x9F\xBF", false},
    {"overlong four-byte", "\xF0\x8F\xBF\xBF", false},
    {"a surrogate", "\xED\xA0\x80", false},
    {"above 10FFFF", "\xF4\x90\x80\x80", false},
    {"lead F5", "\xF5\x80\x80\x80", false},
    {"lead FF", "\xFF", false},
    {"two-byte lead, ASCII after", "\xC3(", false},
    {"three-byte lead, one continuation", "\xE2\x82", false},
    {"four-byte lead, two continuations", "\xF0\x9F\x98", false},
    {"four-byte lead, five bytes long", "\xF0\x9F\x98\x80\x80", false},
};

// Each piece at every place in texts that straddle 16-, 32- and 128-byte blocks, and at their
// very end, where a cut sequence must still be seen; with the lines counted too.
TYPED_TEST(Kernel, Utf8FollowsTheRulesWhereverAPieceFalls) {
    for (const PieceCase& row : pieceCases) {
        SCOPED_TRACE(row.description);
        for (std::size_t length : {1u, 15u, 31u, 32u, 33u, 64u, 100u, 127u, 128u, 129u, 256u}) {
            for (std::size_t at = 0; at <= length; ++at) {
                std::string text(length, 'a');
                text.insert(at, row.bytes);
                SCOPED_TRACE(testing::Message() << "length " << length << ", at " << at);
                EXPECT_EQ(TypeParam::utf8(text), row.wellFormed);
                std::size_t lines = 0;
                EXPECT_EQ(TypeParam::utf8CountingLines(text, lines), row.wellFormed);
                EXPECT_EQ(TypeParam::asciiRun(text, 0), at);
            }
        }
    }
    EXPECT_TRUE(TypeParam::utf8({}));
    EXPECT_TRUE(TypeParam::utf8(std::string(5000, '\0')));
}

struct CountCase {
    std::string text;
    std::size_t lines;
};

TYPED_TEST(Kernel, FilledLinesCountEachRunOfSeparatorsAfterText) {
    const CountCase cases[] = {
        {"", 0},
        {"\n", 0},
        {"\r\n\r\n", 0},
        {"x", 0},
        {"x\n", 1},
        {"x\r\n\n\ry\r", 2},
        {"{0}{0}x\n{0}{0}x\n", 2},
        // Runs across the word and vector edges, and texts past a counter's 255 rounds.
        {std::string(15, 'x') + "\n" + std::string(16, 'y') + "\r\n", 2},
        {std::string(7, 'x') + "\r\n" + std::string(7, 'y') + "\n\n", 2},
        {[] {
             std::string text;
             for (int i = 0; i < 3000; ++i) text += "ab\n";
             return text;
         }(),
         3000},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(TypeParam::filledLines(c.text.data(), c.text.size()), c.lines);
        std::size_t lines = 0;
        EXPECT_TRUE(TypeParam::utf8CountingLines(c.text, lines));
        EXPECT_EQ(lines, c.lines);
    }
}

// A stop and a bar at each place of texts shorter and longer than a block: every kernel
// finds the byte-by-byte end and sees every bar before it; only the portable one may also
// see one after it.
TYPED_TEST(Kernel, LineEndIsTheFirstStopWithTheBarsBeforeIt) {
    for (const std::size_t length : {0, 1, 7, 8, 15, 16, 17, 31, 32, 33, 47}) {
        for (const char stop : {'\r', '\n', '\0', '\t'}) {  // a tab stops nothing
            for (std::size_t at = 0; at <= length; ++at) {
                for (std::size_t bar = 0; bar <= length; ++bar) {
                    std::string text(length, 'a');
                    if (at < length) text[at] = stop;
                    if (bar < length && bar != at) text[bar] = '|';
                    char* const end = text.data() + length;
                    bool exactBar = false, seen = false;
                    const char* const expected =
                        Portable::lineEndByByte(text.data(), end, exactBar);
                    ASSERT_EQ(TypeParam::lineEnd(text.data(), end, seen), expected)
                        << length << ' ' << at << ' ' << bar;
                    if (std::is_same_v<TypeParam, Portable>) {
                        ASSERT_TRUE(seen || !exactBar) << length << ' ' << at << ' ' << bar;
                    } else {
                        ASSERT_EQ(seen, exactBar) << length << ' ' << at << ' ' << bar;
                    }
                }
            }
        }
    }
}

// A line feed after a bar at each edge of the words and blocks read at once.
TYPED_TEST(Kernel, BarsBecomeLineFeedsNoticingWhatFollowsThem) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {"|/", true},
        {"/a|b", false},                       // the first byte follows nothing
        {"abcdefg|{y:i}x", true},              // the bar ends the first word
        {"abcdefgh|\\", true},                 // the bar starts the second
        {"abcdefghijklmno|/ and more", true},  // the bar ends the first block
        {"abcdefghijklmnopqrs|", false},       // the last, overlapping block ends on it
        {"abcdefghijklmnopq|r|s{", false},
        {"abcdefghijklmnopqrst||/", true},  // an empty line between
        {"abcdefghijklmnopqrst\n/", true},  // a line feed that was there
    };
    for (const auto& [text, followed] : cases) {
        SCOPED_TRACE(text);
        std::string expected = text, replaced = text;
        std::replace(expected.begin(), expected.end(), '|', '\n');
        EXPECT_EQ(TypeParam::barsToLineFeeds(replaced.data(), replaced.size(), '/', '\\', '{'),
                  followed);
        EXPECT_EQ(replaced, expected);
    }
    // Nothing beyond the length is touched.
    std::string text(40, '|');
    TypeParam::barsToLineFeeds(text.data(), 19, 'a', 'b', 'c');
    EXPECT_EQ(text, std::string(19, '\n') + std::string(21, '|'));
}

struct ControlCase {
    const char* description;
    std::string text;
    bool control;       // mayHoldControl
    bool other;         // cueMarks, plain
    bool otherEscaped;  // cueMarks, escaped
    bool tagged;
};

// Each mark alone, in texts shorter and longer than a block, first, last and in between.
TYPED_TEST(Kernel, ControlsEscapesAndBlankLinesAreFound) {
    const ControlCase cases[] = {
        {"letters", "ab", false, false, false, false},
        {"line feed and tab", "a\tb\nc", false, false, false, false},
        {"a control", "a\x01", true, true, true, false},
        {"DEL", "a\x7F", true, true, true, false},
        {"C2 before a letter", "a\xC2\xA0", true, true, true, false},
        {"a tag", "a<i>", false, false, true, true},  // its ">" is escaped
        {"escapes", "a&b>", false, false, true, false},
        {"a blank line", "a\n b", false, true, true, false},
        {"an empty line", "a\n\nb", false, true, true, false},
        {"a tab after a line feed", "a\n\tb", false, true, true, false},
    };
    for (const ControlCase& row : cases) {
        for (const std::size_t pad : {0u, 5u, 14u, 15u, 16u, 17u, 40u}) {
            const std::string padding(pad, 'x');
            const std::string text = "x" + padding + row.text + padding;
            SCOPED_TRACE(testing::Message() << row.description << ", " << pad);
            EXPECT_EQ(TypeParam::mayHoldControl(text), row.control);
            for (const bool escaped : {false, true}) {
                const CueMarks marks = TypeParam::cueMarks(text, escaped);
                EXPECT_EQ(marks.other, escaped ? row.otherEscaped : row.other) << escaped;
                if (!marks.other) {
                    EXPECT_EQ(marks.tagged, row.tagged);
                }
            }
        }
    }
}

// A byte of the set, or a control where asked, at each place of texts around the block size.
TYPED_TEST(Kernel, NextByteOfFindsTheFirstOfItsSet) {
    for (const std::size_t length : {0u, 1u, 7u, 8u, 15u, 16u, 17u, 33u}) {
        for (const char found : {'"', '\\', '\x01', '\x1F', '\0', '\xC2'}) {
            for (std::size_t at = 0; at <= length; ++at) {
                std::string text(length, ' ');
                if (at < length) text[at] = found;
                const bool control = static_cast<unsigned char>(found) < 0x20;
                for (const bool controls : {false, true}) {
                    const bool set = found == '"' || found == '\\' || (controls && control);
                    SCOPED_TRACE(testing::Message() << length << ' ' << at << ' ' << controls);
                    EXPECT_EQ(TypeParam::nextByteOf(text, 0, '"', '\\', '"', controls),
                              set && at < length ? at : length);
                    if (at > 0 && at < length) {
                        EXPECT_EQ(TypeParam::nextByteOf(text, at, '"', '\\', '"', controls),
                                  set ? at : length);
                    }
                }
            }
        }
    }
}

// Random texts: every kernel answers as the portable one does.
TYPED_TEST(Kernel, AgreesWithThePortableKernelsOnRandomText) {
    for (const std::string& text : randomTexts(21, 3000, 300)) {
        SCOPED_TRACE(testing::PrintToString(text));
        ASSERT_EQ(TypeParam::utf8(text), Portable::utf8(text));
        std::size_t lines = ~std::size_t{0}, portableLines = ~std::size_t{0};
        const bool wellFormed = TypeParam::utf8CountingLines(text, lines);
        ASSERT_EQ(wellFormed, Portable::utf8CountingLines(text, portableLines));
        if (wellFormed) {
            ASSERT_EQ(lines, portableLines);
        }
        ASSERT_EQ(TypeParam::filledLines(text.data(), text.size()),
                  Portable::filledLines(text.data(), text.size()));
        for (std::size_t from = 0; from <= text.size(); from += 7)
            ASSERT_EQ(TypeParam::asciiRun(text, from), Portable::asciiRun(text, from));
        ASSERT_EQ(TypeParam::mayHoldControl(text), Portable::mayHoldControl(text));
        for (const bool controls : {false, true}) {
            for (std::size_t from = 0; from <= text.size(); from += 5) {
                ASSERT_EQ(TypeParam::nextByteOf(text, from, '&', '<', '>', controls),
                          Portable::nextByteOf(text, from, '&', '<', '>', controls));
            }
        }
        for (const bool escaped : {false, true}) {
            const CueMarks marks = TypeParam::cueMarks(text, escaped);
            const CueMarks portable = Portable::cueMarks(text, escaped);
            ASSERT_EQ(marks.other, portable.other);
            if (!marks.other) {
                ASSERT_EQ(marks.tagged, portable.tagged);
            }
        }
        std::string replaced = text, portableReplaced = text;
        ASSERT_EQ(TypeParam::barsToLineFeeds(replaced.data(), replaced.size(), '/', '\\', '{'),
                  Portable::barsToLineFeeds(portableReplaced.data(), portableReplaced.size(), '/',
                                            '\\', '{'));
        ASSERT_EQ(replaced, portableReplaced);
        std::string copy = text;
        for (char* at = copy.data(); at < copy.data() + copy.size(); ++at) {
            bool seen = false, exact = false;
            char* const end = copy.data() + copy.size();
            const char* const stop = TypeParam::lineEnd(at, end, seen);
            ASSERT_EQ(stop, Portable::lineEndByByte(at, end, exact));
            ASSERT_TRUE(seen || !exact);
        }
    }
}

// UTF-16 units: all-ASCII groups of eight are counted and narrowed alike; a zero, a high byte
// or a letter beyond ASCII in any unit of a group stops the run before it.
TYPED_TEST(Kernel, AsciiUnitsAreCountedAndNarrowedInGroupsOfEight) {
    std::mt19937 random(16);
    const unsigned char values[] = {0x00, 0x01, 0x41, 0x7F, 0x80, 0xFF};
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> units(2 * (random() % 40));
        for (std::size_t i = 0; i < units.size(); ++i) {
            const bool odd = random() % (i % 2 == 0 ? 40 : 200) == 0;
            units[i] = odd ? values[random() % std::size(values)] : (i % 2 == 0 ? 'a' : 0);
        }
        const std::size_t count = units.size() / 2;
        const std::size_t run = Portable::asciiUnits(units.data(), count);
        ASSERT_EQ(TypeParam::asciiUnits(units.data(), count), run);
        std::vector<unsigned char> out(count + 1, '#'), portableOut(count + 1, '#');
        ASSERT_EQ(TypeParam::narrowAsciiUnits(units.data(), count, out.data()), run);
        ASSERT_EQ(Portable::narrowAsciiUnits(units.data(), count, portableOut.data()), run);
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(run),
                               portableOut.begin()));
        ASSERT_EQ(out[run], '#');  // nothing written past the run
    }
    const std::string text = "abcdefghijklmnopqrs";  // two groups and three units
    std::vector<unsigned char> units;
    for (const char c : text) units.insert(units.end(), {static_cast<unsigned char>(c), 0});
    unsigned char out[16];
    EXPECT_EQ(TypeParam::narrowAsciiUnits(units.data(), text.size(), out), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out), 16), text.substr(0, 16));
    EXPECT_EQ(TypeParam::asciiUnits(units.data(), 15), 8u);
}

}  // namespace
}  // namespace Tork::Scan
