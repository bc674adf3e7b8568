// Without a logging library the logger stays off and log calls do nothing.
#include "framework/Logger.h"
#include "framework/LoggerImpl.h"
#include "platform/DynamicLibrary.h"
#include "platform/LibraryNames.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Tork {
namespace {

TEST(LoggingOff, WhenNoCandidateLoads) {
    EXPECT_FALSE(
        Logger::install({TORK_BUILD_DIR "/nowhere/" + LibraryNames::loggingLibrary(),
                         LibraryNames::sharedLibrary("Nowhere")}));
    Logger* logger = Logger::instance();
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(logger->impl(), nullptr);
    logger->write("Container", "Tork::X::f", __LINE__, "%s %d", "ignored", 1);

    // Off for good: a later attempt neither binds nor replaces the logger.
    EXPECT_FALSE(Logger::install({TORK_RECORDING_LOG_PATH}));
    EXPECT_EQ(Logger::instance(), logger);
    EXPECT_EQ(logger->impl(), nullptr);
    EXPECT_FALSE(DynamicLibrary::isLoaded(TORK_RECORDING_LOG_PATH));
}

TEST(LoggingOff, LooksBesideItsOwnFileThenBySearchOrder) {
    // Linked statically into this program, so its own file is the program.
    const auto candidates = loggingLibraryCandidates();
    ASSERT_EQ(candidates.size(), 2u);
    const std::filesystem::path beside = candidates[0];
    EXPECT_EQ(beside.filename(), LibraryNames::loggingLibrary());
    const std::filesystem::path programFolder = DynamicLibrary::programFolder();
    EXPECT_TRUE(std::filesystem::equivalent(beside.parent_path(), programFolder.parent_path()));
    EXPECT_EQ(candidates[1], LibraryNames::loggingLibrary());
}

}  // namespace
}  // namespace Tork
