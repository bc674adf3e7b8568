// The reading report read on one thread while another opens: only whole reports are seen.
#include "framework/ReadingReport.h"

#include "host/ContainerSession.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace Tork {
namespace {

TEST(ReadingReportThreads, ReaderSeesWholeReportsOnly) {
    const Testing::TempFolder folder;
    const std::string good = Testing::fileUrl(folder.write("good.sub", "{1}{2}a\n{3}{4}b\n"));
    const std::string bad = Testing::fileUrl(folder.write("bad.sub", "{1}{2}a\nhello\n"));
    Host::ContainerSession session(
        [](PluginHost* host) -> Plugin* { return new MicroDVDContainer(host); });
    ASSERT_TRUE(session.ready());

    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            const auto report = Host::OpenReport::of(*session.plugin());
            ASSERT_TRUE(report);
            // An open in progress holds the container's lock: its half-made report never shows.
            if (report->outcome == kReadingOpened) {
                EXPECT_EQ(report->entries, 2u);
            } else if (report->outcome == kReadingBadLine) {
                EXPECT_EQ(report->line, 2u);
            } else {
                EXPECT_EQ(report->outcome, kReadingNotOpened);
            }
        }
    });
    for (int i = 0; i < 200; ++i) (void)session.open(Host::FileUrl(i % 2 ? bad : good));
    done = true;
    reader.join();
}

}  // namespace
}  // namespace Tork
