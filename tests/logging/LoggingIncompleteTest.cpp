// A logging library that lacks an entry point turns logging off and is unloaded again.
#include "framework/Logger.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

TEST(LoggingIncomplete, TurnsLoggingOffAndIsUnloaded) {
    // The first library that loads decides; a complete one further on is not tried.
    EXPECT_FALSE(Logger::install({TORK_INCOMPLETE_LOG_PATH, TORK_RECORDING_LOG_PATH}));
    EXPECT_EQ(Logger::instance()->impl(), nullptr);
    EXPECT_FALSE(DynamicLibrary::isLoaded(TORK_INCOMPLETE_LOG_PATH));
    EXPECT_FALSE(DynamicLibrary::isLoaded(TORK_RECORDING_LOG_PATH));
    Logger::instance()->write("Container", "Tork::X::f", __LINE__, "%d", 1);
}

}  // namespace
}  // namespace Tork
