// Why a location failed, told without touching anything but regular files.
#include "tests/platform/TempFolder.h"
#include "text/FileUrl.h"
#include "tools/subplay/Diagnosis.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <tuple>

namespace Tork::Subplay {
namespace {

TEST(Diagnosis, AFifoIsNotOpened) {
    const Testing::TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.path("x.sub").c_str(), 0600), 0);
    auto reason = std::async(std::launch::async, [&] {
        return explainFailure({fileUrlFromPath(folder.path("x.sub")), false, std::nullopt, ""},
                              Attempt::Open);
    });
    if (reason.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the diagnosis waits for a writer\n");
        std::_Exit(1);
    }
    EXPECT_EQ(reason.get(), "not a regular file");
}

// The lines as the logging library writes them; only the message part matters.
// A false "no" would hide skipped lines from the warnings.
TEST(Diagnosis, LinesForLenienceAreFound) {
    const std::pair<std::string_view, bool> cases[] = {
        {"{1}{1}25\r\n{10}{20}a|b\n\n{30}{}c\r\n", false},
        {"\xEF\xBB\xBF{1}{2}a", false},
        {"", false},
        {"{1}{2}a\n \n", true},
        {"{1}{2}a\r{DEFAULT}{}x", true},  // CR alone ends a line
        {"{-5}{2}a", true},
        {"{1}{-2}a", true},
        {"{}{2}a", true},
        {"{1}{2a", true},
        {" {1}{2}a", true},
        {"{1} {2}a", true},
        {"{1}", true},
    };
    for (const auto& [bytes, found] : cases) EXPECT_EQ(hasLineForLenience(bytes), found) << bytes;
}

TEST(Diagnosis, ThePluginsLogNamesTheFailure) {
    struct Row {
        std::string_view lines;
        std::optional<std::string> reason;
    };
    const std::string_view head = "2026-01-01T00:00:00Z [Container] f:1: ";
    const Row rows[] = {
        {"Failed to open file /a.sub", "the plug-in could not open the file"},
        {"Couldn't allocate 2147483648 bytes", "the file is larger than the plug-in reads (2 GiB)"},
        {"Couldn't allocate 5001 bytes", "out of memory for 5001 bytes"},
        {"Couldn't allocate 0 bytes", "the plug-in could not tell the file's size"},
        {"Tried to read 5000 bytes, got 4000",
         "the file changed while it was read (5000 bytes expected, 4000 read)"},
        {"got subtitle start: 0 duration: 1000 'Hi'", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines);
        EXPECT_EQ(reasonFromPluginLog(std::string(head) + std::string(row.lines) + "\n"),
                  row.reason);
    }
}

// An entry dropped for its end is told apart from a line without frame groups.
TEST(Diagnosis, SkippedAndDroppedLinesAreToldApart) {
    const std::string head = "2026-01-01T00:00:00Z [Container] f:1: ";
    const WorkedAround found =
        workedAroundInPluginLog(head + "skipped line 1: no {start}{end} at its start\n" + head +
                                "dropped line 3: it ends at frame -1, before the film starts\n");
    EXPECT_EQ(readingWarnings(found, false, "a.sub"),
              "subplay: a.sub: skipped 1 line without {start}{end}: 1\n"
              "subplay: a.sub: dropped 1 line ending before frame 0: 3\n");
}

// The lenient reading takes extensions in any letter case; the default only lower case.
TEST(Diagnosis, ExtensionsByReading) {
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"file:///nonexistent/a.SUB", true, "no such file"},
        {"file:///nonexistent/a.Txt", true, "no such file"},
        {"file:///nonexistent/a.SUB", false,
         "the MicroDVD plug-in opens only names ending in .sub or .txt (lower case with "
         "--strict)"},
        {"file:///nonexistent/a.srt", true,
         "the MicroDVD plug-in opens only names ending in .sub or .txt"},
    };
    for (const auto& [url, lenient, reason] : cases) {
        SCOPED_TRACE(url);
        EXPECT_EQ(explainFailure({url, false, std::nullopt, "", lenient}, Attempt::Open), reason);
    }
}

}  // namespace
}  // namespace Tork::Subplay
