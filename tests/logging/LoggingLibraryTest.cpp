// The stand-alone logging library through its four entry points, as a host drives it.
#include "logging/TorkLog.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace Tork {
namespace {

class LoggingLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library_.loaded()) << DynamicLibrary::lastError();
        ASSERT_NE(write_, nullptr);
        std::filesystem::remove(path_);
    }
    void TearDown() override {
        close_();
        std::filesystem::remove(path_);
    }

    std::int32_t write(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list arguments;
        va_start(arguments, format);
        const std::int32_t result = write_("Container", "Tork::X::f", 3, format, &arguments);
        va_end(arguments);
        return result;
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> lines;
        std::ifstream in(path_);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    template <typename Entry>
    Entry entry(const char* name) {
        return reinterpret_cast<Entry>(library_.symbol(name));
    }

    DynamicLibrary library_{TORK_LOGGING_LIBRARY_PATH};
    decltype(&TorkLog_configure) configure_ =
        entry<decltype(&TorkLog_configure)>("TorkLog_configure");
    decltype(&TorkLog_close) close_ = entry<decltype(&TorkLog_close)>("TorkLog_close");
    decltype(&TorkLog_isEnabled) isEnabled_ =
        entry<decltype(&TorkLog_isEnabled)>("TorkLog_isEnabled");
    decltype(&TorkLog_write) write_ = entry<decltype(&TorkLog_write)>("TorkLog_write");
    const std::string path_ = std::string(TORK_BUILD_DIR "/tests/logging/") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                              ".log";
};

TEST_F(LoggingLibrary, FollowsItsConfiguration) {
    enum class Action { ConfigureOff, ConfigureOn, ConfigureUnwritable, Close };
    const struct {
        const char* description;
        Action action;
        std::int32_t result;
        bool enabled;
        std::size_t lines;  // in the file after one more write
    } steps[] = {
        {"OffWritesNothing", Action::ConfigureOff, TORKLOG_OK, false, 0},
        {"OnWrites", Action::ConfigureOn, TORKLOG_OK, true, 1},
        {"UnwritableKeepsTheFile", Action::ConfigureUnwritable, TORKLOG_FAILED, true, 2},
        {"CloseTurnsOff", Action::Close, TORKLOG_OK, false, 2},
        {"ReopeningAppends", Action::ConfigureOn, TORKLOG_OK, true, 3},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.description);
        std::int32_t result = TORKLOG_OK;
        switch (step.action) {
            case Action::ConfigureOff:
                result = configure_(false, path_.c_str());
                break;
            case Action::ConfigureOn:
                result = configure_(true, path_.c_str());
                break;
            case Action::ConfigureUnwritable:
                result = configure_(true, TORK_BUILD_DIR "/nowhere/at/all.log");
                break;
            case Action::Close:
                close_();
                break;
        }
        EXPECT_EQ(result, step.result);
        EXPECT_EQ(isEnabled_(), step.enabled);
        EXPECT_EQ(write("message %d", 1), TORKLOG_OK);
        EXPECT_EQ(lines().size(), step.lines);
    }
}

TEST_F(LoggingLibrary, WritesTheFormattedMessageAfterTimeCategoryAndFunction) {
    ASSERT_EQ(configure_(true, path_.c_str()), TORKLOG_OK);
    ASSERT_EQ(write("Tried to read %ld bytes, got %ld\n", 2000000000L, 4L), TORKLOG_OK);
    ASSERT_EQ(write("'%s'", "two\nlines"), TORKLOG_OK);
    const auto written = lines();
    ASSERT_EQ(written.size(), 2u);
    const std::string stamp = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )";
    EXPECT_TRUE(std::regex_match(
        written[0],
        std::regex(stamp + R"(\[Container\] Tork::X::f:3: Tried to read 2000000000 bytes, got 4)")))
        << written[0];
    EXPECT_TRUE(std::regex_match(written[1], std::regex(stamp + R"(.*: 'two\\nlines')")))
        << written[1];
}

}  // namespace
}  // namespace Tork
