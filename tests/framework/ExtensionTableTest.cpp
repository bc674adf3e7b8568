#include "framework/ExtensionTable.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

TEST(ExtensionTable, HoldsTheFrameworkTableInByteOrder) {
    const ExtensionTable& table = extensionTable();
    ASSERT_EQ(table.size(), 41u);
    EXPECT_EQ(table.begin()->first.text(), ".asf");
    EXPECT_EQ(table.rbegin()->first.text(), ".xvid");
    const std::pair<const char*, const char*> rows[] = {
        {".vob", "video/x-dvd"}, {".ifo", "video/x-dvd"}, {".ts", "video/MP2T"},
        {".mts", "video/MP2T"},  {".m2ts", "video/MP2T"}, {".sub", "text/x-sub"},
        {".txt", "text/plain"},
    };
    for (const auto& [extension, type] : rows) {
        SCOPED_TRACE(extension);
        const auto found = table.find(String(extension));
        ASSERT_NE(found, table.end());
        EXPECT_EQ(found->second.text(), type);
    }
}

}  // namespace
}  // namespace Tork
