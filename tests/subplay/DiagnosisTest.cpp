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

namespace Tork::Subplay {
namespace {

TEST(Diagnosis, AFifoIsNotOpened) {
    const Testing::TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.path("x.sub").c_str(), 0600), 0);
    auto reason = std::async(std::launch::async, [&] {
        return explainFailure({fileUrlFromPath(folder.path("x.sub"))}, Attempt::Open);
    });
    if (reason.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the diagnosis waits for a writer\n");
        std::_Exit(1);
    }
    EXPECT_EQ(reason.get(), "not a regular file");
}

}  // namespace
}  // namespace Tork::Subplay
