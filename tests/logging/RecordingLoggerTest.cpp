// The process-wide logger bound to the recording library: what arrives, and when.
#include "framework/Logger.h"
#include "logging/TorkLog.h"
#include "platform/DynamicLibrary.h"
#include "tests/support/RecordingLog.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

using Testing::clearRecordedLogs;
using Testing::recordedLogs;

class RecordingEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(Testing::installRecordingLog()); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new RecordingEnvironment);

class RecordingLogger : public ::testing::Test {
protected:
    void SetUp() override {
        setEnabled(true);
        clearRecordedLogs();
    }
    void TearDown() override { setEnabled(true); }

    static void setEnabled(bool enabled) {
        const DynamicLibrary library(TORK_RECORDING_LOG_PATH);
        auto configure =
            reinterpret_cast<decltype(&TorkLog_configure)>(library.symbol("TorkLog_configure"));
        ASSERT_NE(configure, nullptr);
        ASSERT_EQ(configure(enabled, nullptr), TORKLOG_OK);
    }
};

constexpr const char* readStreamFunction =
    "Tork::SubtitleParserTemplate<class Tork::MicroDVDContainer>::OverlayStream::readStream";
constexpr const char* readTextFileFunction = "Tork::ParserUtilities::readTextFile";

struct MessageCase {
    const char* description;
    const char* category;
    const char* function;
    int line;
    const char* format;
    void (*log)(const MessageCase&);  // writes `format` with arguments of its own
    const char* text;
};

// The kinds of arguments the plug-in's messages carry, each through the variable list.
const MessageCase messageCases[] = {
    {"Int", "Container", "Tork::X::seekStream", 10, "Subtitle Stream: seeked to %d",
     [](const MessageCase& c) {
         Logger::instance()->write(c.category, c.function, c.line, c.format, -1500);
     },
     "Subtitle Stream: seeked to -1500"},
    {"Text", "Container", "Tork::X::seekStream", 11, "Subtitle Stream: seeked to %s",
     [](const MessageCase& c) {
         Logger::instance()->write(c.category, c.function, c.line, c.format, "end");
     },
     "Subtitle Stream: seeked to end"},
    {"FourInts", "Subtitle", readStreamFunction, 12,
     "PARSED(Sub=%i): timestamp=%d duration=%d mediatime=%d",
     [](const MessageCase& c) {
         Logger::instance()->write(c.category, c.function, c.line, c.format, 1, 2000, 3500, 1600);
     },
     "PARSED(Sub=1): timestamp=2000 duration=3500 mediatime=1600"},
    {"LongsAndLineFeed", "Utilities", readTextFileFunction, 13,
     "Tried to read %ld bytes, got %ld\n",
     [](const MessageCase& c) {
         Logger::instance()->write(c.category, c.function, c.line, c.format, 2000000000L, 4L);
     },
     "Tried to read 2000000000 bytes, got 4\n"},
    {"MixedWithQuotedText", "Container", "Tork::MicroDVDContainer::open", 14,
     "got subtitle start: %d duration: %d '%s'",
     [](const MessageCase& c) {
         Logger::instance()->write(c.category, c.function, c.line, c.format, 41708, 2002,
                                   "<i>Hello</i>\nworld");
     },
     "got subtitle start: 41708 duration: 2002 '<i>Hello</i>\nworld'"},
};

void PrintTo(const MessageCase& c, std::ostream* out) {
    *out << c.description;
}

class RecordingLoggerMessages : public RecordingLogger,
                                public ::testing::WithParamInterface<MessageCase> {};

TEST_P(RecordingLoggerMessages, ArriveUnformattedWithTheirArguments) {
    const MessageCase& c = GetParam();
    c.log(c);
    const auto records = recordedLogs();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].category, c.category);
    EXPECT_EQ(records[0].function, c.function);
    EXPECT_EQ(records[0].line, c.line);
    EXPECT_EQ(records[0].format, c.format);
    EXPECT_EQ(records[0].text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Messages, RecordingLoggerMessages, ::testing::ValuesIn(messageCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST_F(RecordingLogger, AsksTheLibraryBeforeEveryWrite) {
    // The answer is asked afresh each time, so switching back on is seen at once.
    const struct {
        bool enabled;
        std::size_t records;
    } steps[] = {{false, 0}, {true, 1}, {false, 1}, {true, 2}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.enabled);
        setEnabled(step.enabled);
        Logger::instance()->write("Container", "Tork::X::f", 1, "%s", "message");
        EXPECT_EQ(recordedLogs().size(), step.records);
    }
}

TEST_F(RecordingLogger, InstallingAgainKeepsTheBinding) {
    EXPECT_TRUE(Testing::installRecordingLog());
    EXPECT_FALSE(Logger::install({TORK_RECORDING_LOG_PATH}));
    Logger::instance()->write("Subtitle", "Tork::X::f", 2, "still %s", "recorded");
    ASSERT_EQ(recordedLogs().size(), 1u);
    EXPECT_EQ(recordedLogs()[0].text, "still recorded");
}

}  // namespace
}  // namespace Tork
