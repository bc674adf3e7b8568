// Locations from what a user typed: paths become file: URLs the plug-in reads back whole.
#include "host/UrlLocation.h"
#include "platform/FileUrl.h"
#include "text/FileUrl.h"

#include <gtest/gtest.h>

namespace Tork::Host {
namespace {

TEST(LocationFor, PathsBecomeFileUrlsAndUrlsStay) {
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
    // The plug-in reads back exactly the path, whatever bytes it holds.
    if (kSystemReadsFileUrls) GTEST_SKIP() << "the shell's own decoding: WindowsTest.cpp";
    const std::string odd = "/a b/%41?#\xC5\xBD\x01.sub";
    EXPECT_EQ(filePathFromUrl(locationFor(odd, "/")), odd);
}

}  // namespace
}  // namespace Tork::Host
