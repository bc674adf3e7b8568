// The two largest files a stranger may plausibly hand over: one 50 MB line, and 2,000,000
// short lines. Both open, play back whole and go without a trace.
#include "tests/hardening/LoadedPlugin.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace Tork::Hardening {
namespace {

using Testing::TempFolder;

TEST(LargeInput, FiftyMegabyteLine) {
    // Mostly ASCII with two-byte characters and bars throughout, as a real subtitle.
    const std::string piece = "P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD|";
    std::string text;
    text.reserve(50 << 20);
    while (text.size() + piece.size() <= (50u << 20) - 20) text += piece;
    const TempFolder folder;
    const std::string path = folder.write("long.sub", "{0}{25}/" + text + "\n");
    std::replace(text.begin(), text.end(), '|', '\n');

    Session session;
    session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
    const auto entries = session.read(Host::FileUrl(Testing::fileUrl(path)));
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().start, 0u);
    EXPECT_EQ(entries->front().duration, 1000);
    EXPECT_TRUE(entries->front().text == "<i>" + text + "</i>");  // no 50 MB failure message
}

TEST(LargeInput, TwoMillionShortLines) {
    constexpr std::uint32_t kLines = 2'000'000;
    std::string file = Testing::MicroDVDLines()
                           .frames(0, 1, 1)
                           .text([](std::size_t i) { return std::to_string(i); })
                           .lines(kLines);
    const TempFolder folder;
    const std::string path = folder.write("many.sub", file);
    file.clear();
    file.shrink_to_fit();

    Session session;
    session.context().set(Host::Settings::frameRateFramesPerSeconds(1000, 1));
    const auto entries = session.read(Host::FileUrl(Testing::fileUrl(path)));
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), kLines);
    for (const std::uint32_t i : {0u, 1u, kLines / 2, kLines - 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ((*entries)[i], (Entry{i, 1, std::to_string(i)}));
    }
    EXPECT_EQ(session.container().close(false), Result::Ok);
}

}  // namespace
}  // namespace Tork::Hardening
