#include "scan/ByteWords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace Tork {
namespace {

// Every length around the word size, each byte '|' or not, replaced as byte by byte.
TEST(ByteWords, ReplaceBytesAsByteByByteAtEveryLength) {
    std::mt19937 random(8);
    for (std::size_t length = 0; length <= 40; ++length) {
        for (int round = 0; round < 200; ++round) {
            std::string text(length, 'x');
            for (char& c : text) c = "|x\n\xFC"[random() % 4];
            std::string expected = text;
            std::replace(expected.begin(), expected.end(), '|', '\n');
            const std::string before = text;
            ByteWords::replaceBytes(text.data(), text.size(), '|', '\n');
            ASSERT_EQ(text, expected) << before;
        }
    }
    // Nothing beyond the length is touched.
    std::string text = "||||||||||||";
    ByteWords::replaceBytes(text.data(), 9, '|', '\n');
    EXPECT_EQ(text, "\n\n\n\n\n\n\n\n\n|||");
}

}  // namespace
}  // namespace Tork
