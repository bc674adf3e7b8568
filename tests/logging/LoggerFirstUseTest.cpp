// Threads that log for the first time together share one process-wide logger.
#include "framework/Logger.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

namespace Tork {
namespace {

TEST(LoggerFirstUse, MakesOneLoggerForThreadsArrivingTogether) {
    constexpr int threadCount = 8;
    std::latch start(threadCount);
    std::vector<Logger*> seen(threadCount, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            seen[i] = Logger::instance();
            seen[i]->write("Container", "Tork::X::f", __LINE__, "thread %d", i);
        });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_NE(seen[0], nullptr);
    for (Logger* logger : seen) EXPECT_EQ(logger, seen[0]);
    EXPECT_EQ(Logger::instance(), seen[0]);
}

}  // namespace
}  // namespace Tork
