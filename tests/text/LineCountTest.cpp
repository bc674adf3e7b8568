#include "text/LineCount.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace Tork {
namespace {

std::size_t plainCount(const std::string& text) {
    const auto isSeparator = [](char c) { return c == '\n' || c == '\r'; };
    std::size_t count = 0;
    for (std::size_t i = 1; i < text.size(); ++i)
        count += isSeparator(text[i]) && !isSeparator(text[i - 1]);
    return count;
}

struct CountCase {
    std::string text;
    std::size_t lines;
};

TEST(LineCount, CountsEachRunOfSeparatorsAfterText) {
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
        EXPECT_EQ(LineCount::filledLines(c.text.data(), c.text.size()), c.lines);
        EXPECT_EQ(LineCount::filledLinesPortable(c.text.data(), c.text.size()), c.lines);
    }
}

TEST(LineCount, AgreesWithAByteByByteCountOnRandomTexts) {
    std::mt19937 random(7);
    const char alphabet[] = {'\n', '\r', 'x', '\0', '|'};
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 5000, 'x');
        for (char& c : text) c = alphabet[random() % std::size(alphabet)];
        const std::size_t expected = plainCount(text);
        ASSERT_EQ(LineCount::filledLines(text.data(), text.size()), expected);
        ASSERT_EQ(LineCount::filledLinesPortable(text.data(), text.size()), expected);
    }
}

}  // namespace
}  // namespace Tork
