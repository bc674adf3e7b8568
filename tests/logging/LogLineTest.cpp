// The lines the logging library writes: time, category, function, and one message per line.
#include "logging/LogLine.h"

#include <gtest/gtest.h>

#include <string>

namespace Tork::Logging {
namespace {

using namespace std::chrono;

constexpr auto leapDayEnd = sys_days{2024y / February / 29} + 23h + 59min + 59s + 999ms;

struct LineCase {
    const char* description;
    const char* category;
    const char* function;
    std::string message;
    std::string expected;  // everything after the time and its space
};

const LineCase lineCases[] = {
    {"Plain", "Container", "Tork::MicroDVDContainer::open", "got subtitle start: 1 duration: 2 'a'",
     "[Container] Tork::MicroDVDContainer::open:7: got subtitle start: 1 duration: 2 'a'\n"},
    // Several of the plug-in's formats end in a line feed of their own.
    {"TrailingLineFeedDropped", "Utilities", "f", "Failed to open file /x.sub\n",
     "[Utilities] f:7: Failed to open file /x.sub\n"},
    {"TrailingLineEndsDropped", "Utilities", "f", "text\r\n\n", "[Utilities] f:7: text\n"},
    // Subtitle texts carry line breaks; the line must stay one line.
    {"InnerLineBreaksEscaped", "Container", "f", "one\ntwo\r\nthree",
     "[Container] f:7: one\\ntwo\\r\\nthree\n"},
    {"ControlCharactersEscaped", "Container", "f", std::string("\x1b[2J\x7f|\0|", 8),
     "[Container] f:7: \\x1b[2J\\x7f|\\x00|\n"},
    {"TabsAndUtf8Kept", "Container", "f", "a\tb \xc3\xa9", "[Container] f:7: a\tb \xc3\xa9\n"},
    {"NullNamesEmpty", nullptr, nullptr, "m", "[] :7: m\n"},
    {"EmptyMessage", "Subtitle", "f", "\n", "[Subtitle] f:7: \n"},
    {"NamesEscapedToo", "a\nb", "f\n", "m", "[a\\nb] f\\n:7: m\n"},
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.description;
}

class LogLineLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineLines, AreOneWholeLine) {
    const LineCase& c = GetParam();
    EXPECT_EQ(composeLine(leapDayEnd, c.category, c.function, 7, c.message),
              "2024-02-29T23:59:59.999Z " + c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, LogLineLines, ::testing::ValuesIn(lineCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(LogLine, WritesUtcTimeToTheMillisecond) {
    const struct {
        system_clock::time_point time;
        const char* expected;
    } cases[] = {
        {sys_days{1970y / January / 1}, "1970-01-01T00:00:00.000Z"},
        {leapDayEnd, "2024-02-29T23:59:59.999Z"},
        // Before the epoch the day and the time of day must still round downwards.
        {sys_days{1970y / January / 1} - 500ms, "1969-12-31T23:59:59.500Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(composeLine(c.time, "c", "f", 1, "m"), std::string(c.expected) + " [c] f:1: m\n");
    }
}

std::optional<std::string> formatTwice(std::optional<std::string>* first, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    *first = formatMessage(format, &arguments);
    auto second = formatMessage(format, &arguments);
    va_end(arguments);
    return second;
}

TEST(LogLine, FormatsWithoutUsingUpTheCallersArguments) {
    const std::string longText(5000, 'x');
    const struct {
        const char* description;
        const char* format;
        const char* argument;
        std::string expected;
    } cases[] = {
        {"Short", "got '%s'", "text", "got 'text'"},
        {"LongerThanAnyFirstTry", "got '%s'", longText.c_str(), "got '" + longText + "'"},
        {"NullFormat", nullptr, "ignored", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        std::optional<std::string> first;
        const auto second = formatTwice(&first, c.format, c.argument);
        EXPECT_EQ(first, c.expected);
        EXPECT_EQ(second, c.expected);
    }
}

}  // namespace
}  // namespace Tork::Logging
