// file: URLs as users write them, and everything else refused.
#include "text/ParserUtilities.h"

#include "platform/FileUrl.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace Tork::ParserUtilities {
namespace {

using namespace std::string_literals;

struct UrlCase {
    std::string url;
    std::optional<std::string> path;  // nullopt: refused
};

TEST(PathFromUrl, AcceptsFileUrlsOnly) {
    if (kSystemReadsFileUrls) GTEST_SKIP() << "the system's own reading: WindowsTest.cpp";
    const UrlCase cases[] = {
        {"file:///home/me/a.sub", "/home/me/a.sub"},
        {"file://localhost/home/a.sub", "/home/a.sub"},
        {"FILE://LocalHost/a.sub", "/a.sub"},
        {"file:/home/a.sub", "/home/a.sub"},
        {"File:///My%20Films/a%2bb.sub", "/My Films/a+b.sub"},
        {"file:///caf%C3%A9.sub", "/caf\xC3\xA9.sub"},
        {"file:///caf\xC3\xA9 et th\xC3\xA9.sub", "/caf\xC3\xA9 et th\xC3\xA9.sub"},
        {"\xEF\xBB\xBF"
         "file:///a.sub",
         "/a.sub"},
        {"file:///a.sub?line=3#top", "/a.sub"},
        {"file:///a%23b%3F.sub", "/a#b?.sub"},
        {"file:///", "/"},
        {"file:///a.sub\0/../b"s, "/a.sub"},  // the location's text ends at its zero
        {"http://example.com/a.sub", {}},
        {"files:///a.sub", {}},
        {"/home/a.sub", {}},
        {"C:\\films\\a.sub", {}},
        {"file:a.sub", {}},
        {"file:", {}},
        {"file://", {}},
        {"file://localhost", {}},
        {"file://server/share/a.sub", {}},
        {"file:///a%00b.sub", {}},
        {"file:///a%2", {}},
        {"file:///a%zz.sub", {}},
        {"file:///a%C3.sub", {}},    // decodes to ill-formed UTF-8
        {"file:///%C0%80.sub", {}},  // an overlong zero
        {"file:///a\xFF.sub", {}},
        {"", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.url));
        String path("untouched", charAllocator());
        const ResultCode result = pathFromUrl(String(row.url), path);
        if (row.path) {
            EXPECT_EQ(result, Result::Ok);
            EXPECT_EQ(path.bytes(), *row.path);
        } else {
            EXPECT_EQ(result, Result::NotFileUrl);
            EXPECT_EQ(path.text(), "untouched");
        }
        EXPECT_EQ(path.allocator(), charAllocator());
    }
}

}  // namespace
}  // namespace Tork::ParserUtilities
