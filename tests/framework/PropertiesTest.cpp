#include "framework/Properties.h"
#include "framework/Setting.h"
#include "framework/StreamFormat.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

TEST(Rect, IntegerEdgesAreInclusiveFloatEdgesAreNot) {
    EXPECT_EQ(RectInt(0, 0, 9, 4).width(), 10);
    EXPECT_EQ(RectInt(0, 0, 9, 4).height(), 5);
    EXPECT_DOUBLE_EQ(RectFloat(0.0, 0.0, 9.0, 4.0).width(), 9.0);
    EXPECT_DOUBLE_EQ(RectFloat(0.0, 0.0, 9.0, 4.0).height(), 4.0);
}

TEST(ImageProperties, StartsEmptyWithUnitScales) {
    const ImageProperties p;
    EXPECT_EQ(p.width, 0);
    EXPECT_EQ(p.height, 0);
    EXPECT_EQ(p.scale[0] * p.scale[1] * p.scale[2], 1);
    EXPECT_DOUBLE_EQ(p.area.width(), 0.0);
    EXPECT_EQ(p.region.right, 0);
    EXPECT_FALSE(p.flag);
}

TEST(Setting, CopiesItsNamesWithTheCharAllocator) {
    const Setting s(Setting::kQueryKind, String("CodePage"), String("Name"));
    EXPECT_EQ(s.group.text(), "CodePage");
    EXPECT_EQ(s.key.text(), "Name");
    EXPECT_EQ(s.group.allocator(), charAllocator());
}

TEST(StreamFormat, IsTwentyBytesWithItsFixedWords) {
    const StreamFormat f;
    EXPECT_EQ(f.size, 20u);
    EXPECT_EQ(f.fourth, 4u);
    EXPECT_EQ(f.fifth, 0u);
}

}  // namespace
}  // namespace Tork
