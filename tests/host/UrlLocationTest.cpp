// Locations from what a user typed: paths become file: URLs the plug-in reads back whole,
// in the form this system's own reading takes (a table per platform).
#include "host/UrlLocation.h"
#include "platform/FileUrl.h"
#include "text/FileUrl.h"

#include <gtest/gtest.h>

#include <span>

namespace Tork::Host {
namespace {

struct PathRow {
    std::string_view path;
    std::string_view url;
    std::string_view readBack;  // the path the plug-in makes of the URL
};

// Windows' shell writes a drive as it is and a UNC server as the host, and decodes each
// escape into one character, so a letter beyond ASCII stays unescaped.
constexpr PathRow windowsPaths[] = {
    {"C:\\films\\my film.sub", "file:///C:/films/my%20film.sub", "C:\\films\\my film.sub"},
    {"c:/films/a.sub", "file:///c:/films/a.sub", "c:\\films\\a.sub"},
    {"\\\\server\\share\\a.sub", "file://server/share/a.sub", "\\\\server\\share\\a.sub"},
    {"//server/share/my film.sub", "file://server/share/my%20film.sub",
     "\\\\server\\share\\my film.sub"},
    {"C:\\100% #1;x.sub", "file:///C:/100%25%20%231%3Bx.sub", "C:\\100% #1;x.sub"},
    {"C:\\\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD \xF0\x9F\x98\x80.sub",
     "file:///C:/\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD%20\xF0\x9F\x98\x80.sub",
     "C:\\\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD \xF0\x9F\x98\x80.sub"},
};

// Elsewhere every byte but the unreserved ones is escaped and read back as it was.
constexpr PathRow posixPaths[] = {
    {"/films/my film.sub", "file:///films/my%20film.sub", "/films/my film.sub"},
    {"/a b/%41?#\xC5\xBD\x01.sub", "file:///a%20b/%2541%3F%23%C5%BD%01.sub",
     "/a b/%41?#\xC5\xBD\x01.sub"},
    {"/C:\\films\\a.sub", "file:///C%3A%5Cfilms%5Ca.sub", "/C:\\films\\a.sub"},
    {"//server/share/a.sub", "file:////server/share/a.sub", "//server/share/a.sub"},
};

const std::span<const PathRow> paths = kSystemReadsFileUrls ? std::span<const PathRow>(windowsPaths)
                                                            : std::span<const PathRow>(posixPaths);

TEST(FileLocation, PathsBecomeFileUrlsAndUrlsStay) {
    for (const PathRow& row : paths) {
        SCOPED_TRACE(row.path);
        const FileLocation location{FilePath(std::string(row.path))};
        EXPECT_EQ(location.url(), row.url);
        EXPECT_EQ(filePathFromUrl(location.url()), row.readBack);
        EXPECT_EQ(location.path(), row.path);
    }
    EXPECT_EQ(FileLocation(FileUrl("file:///a.sub")).url(), "file:///a.sub");
    EXPECT_EQ(FileLocation(FileUrl("/films/a.sub")).problem(),
              "not a file: URL (a path goes in a FilePath)");
    EXPECT_EQ(FileLocation(FilePath("/no/such/folder/a.sub")).problem(), "no such file");
    EXPECT_EQ(FileLocation(FileUrl("FILE:/a.sub")).problem(), "");
}

TEST(LocationFor, PathsBecomeFileUrlsAndUrlsStay) {
    struct Row {
        std::string_view argument;
        std::string_view url;
    };
    // Relative to the working folder "/work"; rooted paths and URLs as they are.
    const Row rows[] = {
        {"/films/a.sub", "file:///films/a.sub"},
        {"a.sub", "file:///work/a.sub"},
        {"sub/../a.sub", "file:///work/sub/../a.sub"},  // left to the file system
        {"my film.sub", "file:///work/my%20film.sub"},
        {"100% #1?.sub", "file:///work/100%25%20%231%3F.sub"},
        {"a-b_c~d.e.sub", "file:///work/a-b_c~d.e.sub"},
        {"colon:name.sub", "file:///work/colon%3Aname.sub"},  // not a scheme
        // URLs go through unchanged.
        {"file:///films/a%20b.sub", "file:///films/a%20b.sub"},
        {"FILE:/films/a.sub", "FILE:/films/a.sub"},
        {"http://example.org/a.sub", "http://example.org/a.sub"},
    };
    const Row windowsRows[] = {
        {"\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD.sub",
         "file:///work/\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD.sub"},
        {"C:\\films\\a b.sub", "file:///C:/films/a%20b.sub"},
        {"\\films\\a.sub", "file:///films/a.sub"},  // the current drive's
        {"\\\\server\\share\\a.sub", "file://server/share/a.sub"},
    };
    const Row posixRows[] = {
        {"\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD.sub",
         "file:///work/%C5%BDlu%C5%A5ou%C4%8Dk%C3%BD.sub"},
        {"C:\\films\\a.sub", "file:///work/C%3A%5Cfilms%5Ca.sub"},
    };
    const std::span<const Row> platformRows =
        kSystemReadsFileUrls ? std::span<const Row>(windowsRows) : std::span<const Row>(posixRows);
    for (const auto table : {std::span<const Row>(rows), platformRows}) {
        for (const Row& row : table) {
            SCOPED_TRACE(row.argument);
            EXPECT_EQ(locationFor(row.argument, "/work"), row.url);
        }
    }
    EXPECT_EQ(locationFor("a.sub", "/"), "file:///a.sub");
}

}  // namespace
}  // namespace Tork::Host
