// Which other subtitle format a text starts in: what subplay names when a file is not MicroDVD.
#include "host/SubtitleFormat.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace Tork::Host {
namespace {

TEST(SubtitleFormat, NamesTheFormatATextStartsIn) {
    struct Row {
        const char* description;
        std::string_view head;
        std::optional<std::string_view> format;
    };
    const Row rows[] = {
        {"SubRip", "1\n00:00:01,000 --> 00:00:02,500\nHello\n", "SubRip"},
        {"SubRip with CR LF, a signature and blank lines first",
         "\xEF\xBB\xBF\r\n\r\n1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n", "SubRip"},
        {"SubRip with full stops and no blanks", "12\n0:00:01.000-->0:00:02.500\nHi", "SubRip"},
        {"WebVTT", "WEBVTT\n\n00:01.000 --> 00:02.000\nHi\n", "WebVTT"},
        {"WebVTT with a title", "\xEF\xBB\xBFWEBVTT - a film\n", "WebVTT"},
        {"TMPlayer", "00:00:01:Hello|world\n00:00:04:Bye\n", "TMPlayer"},
        {"TMPlayer with an equals sign", "0:00:01=Hello\n", "TMPlayer"},
        // Not another format: MicroDVD, plain notes, near misses.
        {"MicroDVD", "{0}{25}Hello\n", std::nullopt},
        {"MicroDVD with a header", "{DEFAULT}{}{c:$FFFFFF}\n{0}{25}Hi\n", std::nullopt},
        {"a number then text", "1\nHello\n", std::nullopt},
        {"a time without an arrow", "1\n00:00:01,000 00:00:02,000\n", std::nullopt},
        {"WEBVTTX is no header", "WEBVTTX\n", std::nullopt},
        {"a clock time in prose", "at 10:30 we left\n", std::nullopt},
        {"nothing", "", std::nullopt},
        {"only blank lines", "\n \r\n\t\n", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        EXPECT_EQ(otherSubtitleFormat(row.head), row.format);
    }
}

}  // namespace
}  // namespace Tork::Host
