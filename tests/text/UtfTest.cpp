// The strict decoder, the one-sequence test, the lenient codec and U+FFFD repair.
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Tork {
namespace {

using namespace std::string_literals;

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

struct SequenceCase {
    std::string bytes;
    std::size_t endOffset;  // where `end` points, counted from the start
    bool wellFormed;
};

TEST(IsWellFormedUtf8Sequence, FollowsUnicodesTable) {
    const SequenceCase cases[] = {
        {"\xE2\x82\xAC", 3, true},
        {"\xE2\x82\xAC", 2, false},  // the end cuts the sequence
        {"A", 1, true},
        {"A", 0, false},
        {"\x7F", 1, true},
        {"\x80", 1, false},      // a continuation byte cannot lead
        {"\xC0\x80", 2, false},  // overlong
        {"\xC1\xBF", 2, false},
        {"\xC2\x80", 2, true},
        {"\xDF\xBF", 2, true},
        {"\xE0\x9F\x80", 3, false},  // overlong
        {"\xE0\xA0\x80", 3, true},
        {"\xED\x9F\xBF", 3, true},
        {"\xED\xA0\x80", 3, false},  // a surrogate
        {"\xEF\xBF\xBF", 3, true},
        {"\xF0\x8F\xBF\xBF", 4, false},  // overlong
        {"\xF0\x90\x80\x80", 4, true},
        {"\xF4\x8F\xBF\xBF", 4, true},
        {"\xF4\x90\x80\x80", 4, false},  // above 10FFFF
        {"\xF5\x80\x80\x80", 4, false},
        {"\xF8\x88\x80\x80\x80", 5, false},
        {"\xC3\x28", 2, false},  // the continuation is missing
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.bytes) + " end +" + std::to_string(row.endOffset));
        const auto* start = bytesOf(row.bytes);
        EXPECT_EQ(isWellFormedUtf8Sequence(start, start + row.endOffset), row.wellFormed);
    }
}

struct StrictCase {
    std::string input;
    std::size_t targetRoom;
    Utf8Decode result;
    std::u16string written;
    std::size_t consumed;
};

TEST(DecodeUtf8Strict, StopsAtTheSequenceThatFails) {
    const StrictCase cases[] = {
        {"a\xE2\x82", 8, Utf8Decode::Truncated, u"a", 1},
        {"a\x80", 8, Utf8Decode::IllFormed, u"a", 1},
        {"\xF0\x9F\x98\x80", 8, Utf8Decode::Complete, u"\xD83D\xDE00", 4},
        {"\xF0\x9F\x98\x80", 1, Utf8Decode::TargetFull, u"", 0},  // a pair needs two units
        {"ab", 1, Utf8Decode::TargetFull, u"a", 1},
        {"\xC3\xA9\xE2\x82\xAC", 8, Utf8Decode::Complete, u"\u00E9\u20AC", 5},
        {"x\xED\xA0\x80", 8, Utf8Decode::IllFormed, u"x", 1},
        {"\xC0\x80", 8, Utf8Decode::IllFormed, u"", 0},
        {"\xFC\x80", 8, Utf8Decode::Truncated, u"", 0},  // announces five more
        {"a\0b"s, 8, Utf8Decode::Complete, u"a\0b"s, 3},
        {"", 8, Utf8Decode::Complete, u"", 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.input));
        std::vector<char16_t> target(row.targetRoom, u'?');
        const unsigned char* source = bytesOf(row.input);
        char16_t* position = target.data();
        EXPECT_EQ(decodeUtf8Strict(&source, source + row.input.size(), &position,
                                   target.data() + target.size()),
                  row.result);
        EXPECT_EQ(std::u16string(target.data(), position), row.written);
        EXPECT_EQ(static_cast<std::size_t>(source - bytesOf(row.input)), row.consumed);
    }
}

struct LenientDecodeCase {
    std::string input;
    std::int32_t capacity;
    std::int32_t result;
    std::u16string written;
    bool signature;
};

TEST(Utf8ToUtf16, AcceptsWhatTheStrictDecoderRefuses) {
    const LenientDecodeCase cases[] = {
        {"\xEF\xBB\xBF\x41", 4, 1, u"A", true},
        {"\xC0\x80", 4, 1, u"\0"s, false},         // overlong accepted
        {"\xED\xA0\x80", 4, 1, u"\xD800", false},  // surrogate value accepted
        {"\xF0\x9F\x98\x80", 4, 2, u"\xD83D\xDE00", false},
        {"\xF0\x9F\x98\x80", 1, -1, u"", false},  // no room for the pair
        {"ab", 1, -1, u"", false},
        {"A\xC3", 4, -1, u"", false},  // continuation missing
        {"\x80", 4, -1, u"", false},
        {"\xC3\x41", 4, -1, u"", false},
        {"\xF8\x80\x80\x80\x80", 8, -1, u"", false},
        {"\xF7\xBF\xBF\xBF", 4, -1, u"", false},  // above 10FFFF
        {"\xEF\xBB", 4, -1, u"", false},          // half a signature is no signature
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.input));
        std::vector<char16_t> target(8, u'?');
        bool signature = !row.signature;
        const std::int32_t result = utf8ToUtf16(bytesOf(row.input), row.input.size(), target.data(),
                                                row.capacity, &signature);
        EXPECT_EQ(result, row.result);
        if (result >= 0) {
            EXPECT_EQ(std::u16string(target.data(), result), row.written);
        }
        EXPECT_EQ(signature, row.signature);
    }
}

struct LenientEncodeCase {
    std::u16string input;
    Utf8Signature signature;
    std::int32_t capacity;
    std::string expected;  // empty with result -1
};

TEST(Utf16ToUtf8, PairsSurrogatesAndFailsOnAHalfPair) {
    const LenientEncodeCase cases[] = {
        {u"\xD83D\xDE00", Utf8Signature::Omit, 8, "\xF0\x9F\x98\x80"},
        {u"\xDC00", Utf8Signature::Omit, 8, "\xED\xB0\x80"},  // a lone low half passes
        {u"A\u00E9\u20AC", Utf8Signature::Write, 12,
         "\xEF\xBB\xBF"
         "A\xC3\xA9\xE2\x82\xAC"},
        {u"\xD83D\x0041", Utf8Signature::Omit, 8, ""},
        {u"\xD83D", Utf8Signature::Omit, 8, ""},
        {u"\u20AC", Utf8Signature::Omit, 2, ""},
        {u"A", Utf8Signature::Write, 3, ""},  // the signature leaves no room
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.expected));
        std::string target(16, '?');
        const std::int32_t result = utf16ToUtf8(row.input.data(), row.input.size(),
                                                reinterpret_cast<unsigned char*>(target.data()),
                                                row.capacity, row.signature);
        if (row.expected.empty()) {
            EXPECT_EQ(result, -1);
        } else {
            ASSERT_EQ(result, static_cast<std::int32_t>(row.expected.size()));
            EXPECT_EQ(target.substr(0, result), row.expected);
        }
    }
}

TEST(WideStrings, StopAtTheFirstZeroAndDropTheSignature) {
    EXPECT_EQ(wideToUtf8(u"ab\0cd"s), "ab");
    EXPECT_EQ(wideToUtf8(u"/films/\u00E9t\u00E9.sub"), "/films/\xC3\xA9t\xC3\xA9.sub");
    EXPECT_EQ(wideToUtf8(u"a\xD800"), "");
    EXPECT_EQ(utf8ToWide("\xEF\xBB\xBF/x"), u"/x");
    EXPECT_EQ(utf8ToWide("a\0b"s), u"a");
    EXPECT_EQ(utf8ToWide("a\xFF"), u"");
    EXPECT_EQ(utf8ToWide("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
}

TEST(IsWellFormedUtf8, FindsABadByteAnywhereInALongText) {
    const std::string ascii(20, 'a');
    EXPECT_TRUE(isWellFormedUtf8(ascii));
    for (std::size_t at = 0; at < ascii.size(); ++at) {
        SCOPED_TRACE(at);
        for (const std::string bad : {"\xFF", "\xE2\x82", "\xED\xA0\x80", "\x80"}) {
            std::string text = ascii;
            text.replace(at, bad.size(), bad);
            EXPECT_FALSE(isWellFormedUtf8(text.substr(0, std::min(text.size(), at + bad.size()))));
            EXPECT_FALSE(isWellFormedUtf8(text));
        }
        std::string good = ascii;
        good.replace(at, 1, "\xF0\x9F\x98\x80");
        EXPECT_TRUE(isWellFormedUtf8(good));
    }
}

TEST(ReplaceIllFormedUtf8, ReplacesEachMaximalIllFormedPart) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain\0text"s, "plain\0text"s},
        {"ab\xFF"
         "c",
         "ab\xEF\xBF\xBD"
         "c"},
        {"ab\xE2\x82", "ab\xEF\xBF\xBD"},  // cut short at the end
        {"\xE2\x82"
         "x",
         "\xEF\xBF\xBD"
         "x"},                                                     // one part, one U+FFFD
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // C0 never leads
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // nor does a surrogate
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC3\xA9\xF0\x9F\x98", "\xC3\xA9\xEF\xBF\xBD"},
        // Runs of ASCII longer than a word around what is replaced.
        {"{100}{200}Caf\xE9 au lait, pour deux\x85 merci\r\n",
         "{100}{200}Caf\xEF\xBF\xBD au lait, pour deux\xEF\xBF\xBD merci\r\n"},
        {"0123456789abcdef\xE2\x82", "0123456789abcdef\xEF\xBF\xBD"},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(input));
        std::size_t replaced = 1;  // added to, as a report counts over many texts
        EXPECT_EQ(replaceIllFormedUtf8(input, &replaced), expected);
        EXPECT_TRUE(isWellFormedUtf8(expected));
        std::size_t marks = 1;
        for (auto at = expected.find("\xEF\xBF\xBD"); at != std::string::npos;
             at = expected.find("\xEF\xBF\xBD", at + 1))
            ++marks;
        EXPECT_EQ(replaced, marks);
        // Detection's census counts the same parts.
        EXPECT_EQ(countUtf8Sequences(input).illFormed, marks - 1);
    }
}

}  // namespace
}  // namespace Tork
