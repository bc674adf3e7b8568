// Every path of the whole-text UTF-8 check against the rules and against the portable path.
#include "text/Utf8Validation.h"

#include "text/LineCount.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace Tork {
namespace {

using Utf8Validation::Path;

std::vector<Path> availablePaths() {
    std::vector<Path> paths;
    for (Path path : {Path::Portable, Path::Sse2, Path::Avx2})
        if (Utf8Validation::available(path)) paths.push_back(path);
    return paths;
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
TEST(Utf8Validation, EveryPathFollowsTheRulesWhereverAPieceFalls) {
    for (const PieceCase& row : pieceCases) {
        SCOPED_TRACE(row.description);
        for (std::size_t length : {1u, 15u, 31u, 32u, 33u, 64u, 100u, 127u, 128u, 129u, 256u}) {
            for (std::size_t at = 0; at <= length; ++at) {
                std::string text(length, 'a');
                text.insert(at, row.bytes);
                for (Path path : availablePaths()) {
                    SCOPED_TRACE(testing::Message() << "length " << length << ", at " << at
                                                    << ", path " << static_cast<int>(path));
                    EXPECT_EQ(Utf8Validation::isWellFormed(text, path), row.wellFormed);
                    std::size_t lines = 0;
                    EXPECT_EQ(Utf8Validation::isWellFormedCountingLines(text, path, lines),
                              row.wellFormed);
                }
            }
        }
    }
}

TEST(Utf8Validation, EmptyAndAllAsciiAreWellFormed) {
    for (Path path : availablePaths()) {
        EXPECT_TRUE(Utf8Validation::isWellFormed({}, path));
        EXPECT_TRUE(Utf8Validation::isWellFormed(std::string(5000, '\0'), path));
    }
}

// Texts mostly of well-formed pieces with a stray byte here and there: the paths agree.
TEST(Utf8Validation, EveryPathAgreesWithThePortableOne) {
    std::mt19937 random(21);
    const char* pieces[] = {"a",
                            "{1}",
                            "\r\n",
                            "\xC3\xA9",
                            "\xE2\x82\xAC",
                            "\xF0\x9F\x98\x80",
                            "\xED\x9F\xBF",
                            "\xF4\x8F\xBF\xBF"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t length = random() % 300;
        while (text.size() < length) text += pieces[random() % std::size(pieces)];
        if (round % 2 && !text.empty())
            text[random() % text.size()] = static_cast<char>(random() % 256);
        const bool expected = Utf8Validation::isWellFormedPortable(text);
        for (Path path : availablePaths()) {
            SCOPED_TRACE(testing::Message()
                         << "round " << round << ", path " << static_cast<int>(path));
            EXPECT_EQ(Utf8Validation::isWellFormed(text, path), expected);
        }
    }
}

// The count taken on the way is the line counter's, on every path, for texts of every length
// with separators at block edges, runs of them, and letters beyond ASCII; ill-formed texts
// still fail.
TEST(Utf8Validation, CountsTheLinesOnTheWayAsTheLineCounterDoes) {
    std::mt19937 random(1999);
    const std::vector<std::string> pieces = {"\n",       "\r",           "\r\n",    "ab",
                                             "\xC3\xA9", "\xE2\x82\xAC", "{0}{0}x", "\xFF"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t target = random() % 200;
        while (text.size() < target)
            text += pieces[random() % (pieces.size() - (round % 9 ? 1 : 0))];
        for (const Path path : availablePaths()) {
            std::size_t lines = ~std::size_t{0};
            const bool wellFormed = Utf8Validation::isWellFormedCountingLines(text, path, lines);
            ASSERT_EQ(wellFormed, Utf8Validation::isWellFormed(text, path));
            if (wellFormed) {
                ASSERT_EQ(lines, LineCount::filledLinesPortable(text.data(), text.size()))
                    << testing::PrintToString(text);
            }
        }
    }
}

}  // namespace
}  // namespace Tork
