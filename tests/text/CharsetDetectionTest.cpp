// What detection is shown of a text, and the shapes of bytes it reads without weighing.
#include "text/CharsetDetection.h"

#include "tests/support/Utf16Bytes.h"
#include "text/UCSDetLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace Tork {
namespace {

using namespace std::string_literals;

TEST(DetectionSample, HoldsTheLinesBeyondAscii) {
    const std::string polish = "{10}{20}Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9\r\n";
    const std::string many = [&] {
        std::string text;
        while (text.size() < 4 * kDetectionSampleBytes) text += "{1}{2}plain\n" + polish;
        return text;
    }();
    struct Row {
        const char* description;
        std::string text;
        std::string sample;
    };
    const Row rows[] = {
        {"ASCII lines left out",
         "{1}{1}25\n" + polish +
             "{30}{40}abc\n{50}{60}\xB3\xF3"
             "d\xBC",
         polish + "{50}{60}\xB3\xF3"
                  "d\xBC\n"},
        {"nothing beyond ASCII", "{1}{1}25\n{2}{3}abc\n", ""},
        {"a byte at the very start", "\xE9t\xE9\nabc", "\xE9t\xE9\n"},
        {"zero bytes: the start as it is", "{\0\xE9\0\n\0"s, "{\0\xE9\0\n\0"s},
        {"one long line, cut", std::string(2 * kDetectionSampleBytes, '\xE9'),
         std::string(kDetectionSampleBytes, '\xE9') + "\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        EXPECT_EQ(detectionSample(row.text), row.sample);
    }
    // Bounded, and whole lines until the bound.
    const std::string sample = detectionSample(many);
    EXPECT_LE(sample.size(), kDetectionSampleBytes + 1);
    EXPECT_GE(sample.size(), kDetectionSampleBytes - polish.size());
    EXPECT_EQ(sample.substr(0, 2 * polish.size()), polish + polish);
    // A zero beyond what the detector is shown does not matter.
    EXPECT_EQ(detectionSample(polish + std::string(UCSDetLibrary::kMaxSample, 'x') + '\0'), polish);
}

TEST(OnlySharedPunctuation, IsTheEllipsisDashesQuotesAndBullet) {
    struct Row {
        const char* text;
        bool shared;
    };
    const Row rows[] = {
        {"Well\x85there is no ship", true},
        {"He said \x93yes\x94 and left\x97quickly", true},
        {"It\x92s \x91quoted\x92 \x95 bullet \x96 dash", true},
        {"plain ASCII", false},  // nothing to fall back for
        {"caf\xE9", false},
        {"\x85 and \xE9", false},
        {"5\x80", false},  // the euro sign is elsewhere in windows-1251
        {"\x90\x98", false},
        {"\xC3\xA9", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(onlySharedPunctuation(row.text), row.shared);
    }
}

TEST(LikelyUtf16, WhenOneSideOfHalfThePairsIsZero) {
    const std::u16string frames = u"{1}{25}Hello\r\n{30}{50}Where?\r\n";
    const std::u16string russian = u"{1}{25}Привет, как дела? Где ты был?\r\n";
    struct Row {
        const char* description;
        std::string bytes;
        std::string_view likely;
    };
    const Row rows[] = {
        {"frame lines, little-endian", Testing::utf16Bytes(frames, false), "UTF-16LE"},
        {"frame lines, big-endian", Testing::utf16Bytes(frames, true), "UTF-16BE"},
        {"Cyrillic with its frames", Testing::utf16Bytes(russian, false), "UTF-16LE"},
        {"UTF-8", "{1}{25}Hello\r\n", ""},
        {"a zero in UTF-8", "{1}{25}Hello\0there\r\n"s, ""},
        {"zeros after text", "{1}{25}Hello\r\n" + std::string(64, '\0'), ""},
        {"UTF-32", "{\0\0\0001\0\0\0}\0\0\0x\0\0\0"s, ""},
        {"too short to tell", "{\0001\0"s, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        EXPECT_EQ(likelyUtf16(row.bytes), row.likely);
    }
}

}  // namespace
}  // namespace Tork
