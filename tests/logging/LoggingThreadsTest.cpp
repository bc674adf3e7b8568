// Messages logged from many threads at once come out of the logging library as whole lines.
#include "framework/Logger.h"
#include "logging/TorkLog.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace Tork {
namespace {

constexpr int threadCount = 6;
constexpr int messageCount = 300;

// Long enough, for some messages, to need more than one write of an unsynchronised stream.
std::string payload(int thread, int message) {
    return std::string(static_cast<std::size_t>((message * 97) % 9000),
                       static_cast<char>('a' + thread));
}

TEST(LoggingThreads, ConcurrentMessagesComeOutAsWholeLines) {
    ASSERT_TRUE(Logger::install({TORK_LOGGING_LIBRARY_PATH}));
    const DynamicLibrary library(TORK_LOGGING_LIBRARY_PATH);
    auto configure =
        reinterpret_cast<decltype(&TorkLog_configure)>(library.symbol("TorkLog_configure"));
    auto close = reinterpret_cast<decltype(&TorkLog_close)>(library.symbol("TorkLog_close"));
    ASSERT_TRUE(configure && close);
    const std::string path = TORK_BUILD_DIR "/tests/logging/LoggingThreads.log";
    std::filesystem::remove(path);
    ASSERT_EQ(configure(true, path.c_str()), TORKLOG_OK);

    std::latch start(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&start, t] {
            start.arrive_and_wait();
            for (int m = 0; m < messageCount; ++m)
                Logger::instance()->write("Subtitle", "Tork::X::f", __LINE__,
                                          "thread=%d message=%d payload=%s|", t, m,
                                          payload(t, m).c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    close();

    std::vector<std::vector<bool>> seen(threadCount, std::vector<bool>(messageCount, false));
    std::ifstream in(path);
    int lineCount = 0;
    for (std::string line; std::getline(in, line); ++lineCount) {
        int t = -1, m = -1, start = 0;
        const auto at = line.find("thread=");
        ASSERT_NE(at, std::string::npos) << line.substr(0, 200);
        ASSERT_EQ(std::sscanf(line.c_str() + at, "thread=%d message=%d payload=%n", &t, &m, &start),
                  2);
        ASSERT_TRUE(t >= 0 && t < threadCount && m >= 0 && m < messageCount) << line.substr(0, 200);
        EXPECT_EQ(line.substr(at + static_cast<std::size_t>(start)), payload(t, m) + "|")
            << "thread " << t << " message " << m;
        EXPECT_FALSE(seen[t][m]) << "twice: thread " << t << " message " << m;
        seen[t][m] = true;
    }
    EXPECT_EQ(lineCount, threadCount * messageCount);
    in.close();  // Windows removes no open file
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace Tork
