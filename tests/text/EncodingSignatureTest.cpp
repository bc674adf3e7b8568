// The nine signatures, their order and what is never matched.
#include "text/EncodingSignature.h"

#include <gtest/gtest.h>

#include <string>

namespace Tork {
namespace {

using namespace std::string_literals;

struct SignatureCase {
    std::string bytes;
    std::int32_t length;  // 0: no signature
    const char* name;
};

TEST(DetectEncodingSignature, FirstMatchingRowWins) {
    const SignatureCase cases[] = {
        {"\x00\x00\xFE\xFF"s, 4, "UTF32-BE"},
        {"\xFF\xFE\x00\x00"s, 4, "UTF32-LE"},  // before UTF-16LE followed by a zero unit
        {"\xFF\xFE\x41\x00"s, 2, "UTF16-LE"},
        {"\xFF\xFE"s, 2, "UTF16-LE"},
        {"\xFF\xFE\x00"s, 2, "UTF16-LE"},  // too short for UTF-32
        {"\xFE\xFF\x00\x41"s, 2, "UTF16-BE"},
        {"\xEF\xBB\xBF{"s, 3, "UTF8"},
        {"+/v8"s, 4, "UTF7"},
        {"+/v8-{"s, 5, "UTF7"},  // the "-" that ends the base64 run goes too
        {"+/v9"s, 4, "UTF7"},
        {"+/v+"s, 4, "UTF7"},
        {"+/v/"s, 4, "UTF7"},
        {"+/vA"s, 0, nullptr},
        {"+/v"s, 0, nullptr},
        {"\x0E\xFE\xFF"s, 3, "SCSU"},
        {"\xFB\xEE\x28"s, 3, "BOCU-1"},
        {"\x84\x31\x95\x33"s, 4, "GB-18030"},
        {"\x84\x31\x95\x34"s, 0, nullptr},
        {"\x00\x00\xFE"s, 0, nullptr},
        {"\xEF\xBB"s, 0, nullptr},
        {"{1}{1}23.976"s, 0, nullptr},
        {""s, 0, nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.bytes));
        String name("kept", charAllocator());
        EXPECT_EQ(detectEncodingSignature(reinterpret_cast<const unsigned char*>(row.bytes.data()),
                                          row.bytes.size(), name),
                  row.length);
        EXPECT_EQ(name.text(), row.name ? row.name : "kept");
        EXPECT_EQ(name.allocator(), charAllocator());
    }
}

TEST(DetectEncodingSignature, NeverLooksPastTheCount) {
    const std::string bytes = "\xFF\xFE\x00\x00"s;
    String name(charAllocator());
    EXPECT_EQ(
        detectEncodingSignature(reinterpret_cast<const unsigned char*>(bytes.data()), 3, name), 2);
    EXPECT_EQ(name.text(), "UTF16-LE");
}

}  // namespace
}  // namespace Tork
