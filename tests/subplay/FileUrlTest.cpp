// file: URLs made from paths, and read back for diagnostics.
#include "tools/subplay/FileUrl.h"

#include <gtest/gtest.h>

namespace Tork::Subplay {
namespace {

TEST(FileUrl, LocationsFromArguments) {
    struct Row {
        std::string_view argument;
        std::string_view url;
    };
    const Row rows[] = {
        {"/films/a.sub", "file:///films/a.sub"},
        {"a.sub", "file:///work/a.sub"},
        {"sub/../a.sub", "file:///work/sub/../a.sub"},  // left to the file system
        {"my film.sub", "file:///work/my%20film.sub"},
        {"100% #1?.sub", "file:///work/100%25%20%231%3F.sub"},
        {"Žluťoučký.sub", "file:///work/%C5%BDlu%C5%A5ou%C4%8Dk%C3%BD.sub"},
        {"a-b_c~d.e.sub", "file:///work/a-b_c~d.e.sub"},
        {"colon:name.sub", "file:///work/colon%3Aname.sub"},  // not a scheme
        // URLs go through unchanged.
        {"file:///films/a%20b.sub", "file:///films/a%20b.sub"},
        {"FILE:/films/a.sub", "FILE:/films/a.sub"},
        {"http://example.org/a.sub", "http://example.org/a.sub"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        EXPECT_EQ(locationFor(row.argument, "/work"), row.url);
    }
    EXPECT_EQ(locationFor("a.sub", "/"), "file:///a.sub");
}

TEST(FileUrl, PathsBackFromUrls) {
    struct Row {
        std::string_view url;
        std::optional<std::string> path;
    };
    const Row rows[] = {
        {"file:///films/a.sub", "/films/a.sub"},
        {"file://localhost/films/a.sub", "/films/a.sub"},
        {"file://LocalHost/a.sub", "/a.sub"},
        {"file:/films/a.sub", "/films/a.sub"},
        {"file:///work/my%20film.sub", "/work/my film.sub"},
        {"file:///%C5%BDlu%c5%a5.sub", "/Žluť.sub"},
        // Refused.
        {"file://server/films/a.sub", std::nullopt},
        {"file://localhostile/a.sub", std::nullopt},
        {"file:films/a.sub", std::nullopt},
        {"file://", std::nullopt},
        {"file:///a%2", std::nullopt},
        {"file:///a%zz.sub", std::nullopt},
        {"file:///a%00.sub", std::nullopt},  // a zero byte would cut the path short
        {"http://example.org/a.sub", std::nullopt},
        {"/films/a.sub", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        EXPECT_EQ(pathFromFileUrl(row.url), row.path);
    }
}

TEST(FileUrl, ExtensionIsFromTheLastDot) {
    EXPECT_EQ(urlExtension("file:///a/movie.sub"), ".sub");
    EXPECT_EQ(urlExtension("file:///a/movie.SUB"), ".SUB");
    EXPECT_EQ(urlExtension("file:///c:/dir.sub/movie"), ".sub/movie");
    EXPECT_EQ(urlExtension("file:///a/movie"), "");
}

}  // namespace
}  // namespace Tork::Subplay
