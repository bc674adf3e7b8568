#include "framework/String.h"

#include <gtest/gtest.h>

#include <string>

namespace Tork {
namespace {

TEST(String, NullSourcesGiveTheEmptyStringWithoutStorage) {
    const String fromNullText(static_cast<const char*>(nullptr));
    const String fromNullBytes(nullptr, 5);
    for (const String* s : {&fromNullText, &fromNullBytes}) {
        EXPECT_EQ(s->data(), nullptr);
        EXPECT_EQ(s->length(), 0u);
        EXPECT_STREQ(s->c_str(), "");
    }
}

TEST(String, KeepsEmbeddedZerosAndTerminates) {
    const String s("a\0b", 3);
    ASSERT_EQ(s.length(), 3u);
    EXPECT_EQ(s.bytes(), std::string_view("a\0b", 3));
    EXPECT_EQ(s.text(), "a");  // zero-terminated reading stops at the first zero
    EXPECT_EQ(s.data()[3], 0);
}

TEST(String, CopiesAreDeep) {
    String original("subtitle");
    const String copy(original);
    original.data()[0] = 'S';
    EXPECT_EQ(copy.text(), "subtitle");
    EXPECT_NE(copy.data(), original.data());
}

TEST(String, AssignmentKeepsTheTargetsAllocator) {
    String target(charAllocator());
    const String source("com.example", byteAllocator());
    target = source;
    EXPECT_EQ(target.text(), "com.example");
    EXPECT_EQ(target.allocator(), charAllocator());

    String moved(charAllocator());
    moved = String("other", byteAllocator());
    EXPECT_EQ(moved.text(), "other");
    EXPECT_EQ(moved.allocator(), charAllocator());
}

TEST(String, AssigningAnEmptySourceReleasesTheBytes) {
    String target("abc");
    target = String();
    EXPECT_EQ(target.data(), nullptr);
    EXPECT_EQ(target.length(), 0u);
}

TEST(String, SelfAssignmentKeepsTheContent) {
    String s("same");
    const String& alias = s;
    s = alias;
    EXPECT_EQ(s.text(), "same");
    s.assign(s.data() + 1, 2);  // a source inside its own storage
    EXPECT_EQ(s.text(), "am");
}

TEST(String, ResizeForOverwriteKeepsTheAllocatorAndTerminates) {
    String s("old", charAllocator());
    s.resizeForOverwrite(4);
    ASSERT_EQ(s.length(), 4u);
    EXPECT_EQ(s.data()[4], 0);
    EXPECT_EQ(s.allocator(), charAllocator());
    s.resizeForOverwrite(0);
    ASSERT_NE(s.data(), nullptr);  // an empty text with storage
    EXPECT_EQ(s.data()[0], 0);
}

TEST(String, TextOrderIsBytewiseUnsigned) {
    const TextOrder less;
    EXPECT_TRUE(less(String("text/plain"), String("text/x-sub")));
    EXPECT_TRUE(less(String("abc"), String("abcd")));    // a proper prefix first
    EXPECT_TRUE(less(String("z"), String("\xC3\xA9")));  // 0xC3 is above 'z'
    EXPECT_FALSE(less(String("a\0b", 3), String("a")));  // equal as texts
}

}  // namespace
}  // namespace Tork
