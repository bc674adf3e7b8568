// subplay's command line: modes, values, host settings and the mistakes it refuses.
#include "tools/subplay/Options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace Tork::Subplay {
namespace {

Options parse(std::vector<std::string_view> arguments) {
    auto parsed = parseOptions(arguments);
    if (auto* error = std::get_if<UsageError>(&parsed)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Options>(parsed);
}

TEST(Options, ModesFollowTheFlags) {
    struct Row {
        std::vector<std::string_view> arguments;
        std::optional<Mode> mode;  // nothing: a usage error
    };
    const Row rows[] = {
        {{"a.sub"}, Mode::Default},
        {{"--format", "srt", "a.sub"}, Mode::Format},
        {{"--play", "a.sub"}, Mode::Play},
        {{"--probe", "a.sub"}, Mode::Probe},
        {{"--probe", "--fps", "25", "a.sub"}, Mode::Probe},
        {{"--info", "--format", "json", "a.sub", "b.sub"}, Mode::Info},  // per file
        {{"--info", "-o", "info.txt", "a.sub"}, Mode::Info},             // the name picks no format
        {{"--help"}, Mode::Help},
        {{"a.sub", "b.sub", "--version"}, Mode::Version},    // ends the parse at once
        {{"--format", "nonsense", "--help"}, std::nullopt},  // refused before --help is seen
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        const auto parsed = parseOptions(row.arguments);
        if (!row.mode) {
            EXPECT_TRUE(std::holds_alternative<UsageError>(parsed));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<Options>(parsed));
        EXPECT_EQ(std::get<Options>(parsed).mode, *row.mode);
    }
}

TEST(Options, ValuesReachTheirFields) {
    const Options options = parse({"--format=json",
                                   "--fps",
                                   "23.976",
                                   "--encoding",
                                   "windows-1250",
                                   "--ignore-signature",
                                   "--language",
                                   "en-GB",
                                   "--reverse",
                                   "--seek",
                                   "4294967295ms",
                                   "--log",
                                   "-q",
                                   "--plugin=/opt/p.so",
                                   "--speed",
                                   "2.5",
                                   "--offset=-1:02.5",
                                   "--scale=23.976/25",
                                   "-y",
                                   "-o",
                                   "out.json",
                                   "--",
                                   "--odd name.sub"});
    EXPECT_EQ(options.format, OutputFormat::Json);
    EXPECT_EQ(options.frameRate, (Host::FrameRatio{23976, 1000}));
    EXPECT_EQ(options.encoding, "windows-1250");
    EXPECT_TRUE(options.ignoreSignature);
    EXPECT_EQ(options.language, "en-GB");
    EXPECT_TRUE(options.reverse);
    EXPECT_EQ(options.seek, 4294967295u);
    EXPECT_TRUE(options.log);
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.plugin, "/opt/p.so");
    EXPECT_DOUBLE_EQ(options.speed, 2.5);
    EXPECT_EQ(options.offset, -62500);
    EXPECT_DOUBLE_EQ(options.scale, 23.976 / 25);
    EXPECT_EQ(options.overwrite, Overwrite::Always);
    EXPECT_EQ(options.output, "out.json");
    EXPECT_EQ(options.inputs, std::vector<std::string>{"--odd name.sub"});

    const Options plain = parse({});  // no file: standard input, as "-" says
    EXPECT_EQ(plain.inputs, std::vector<std::string>{"-"});
    EXPECT_EQ(parse({"--format", "srt", "-o", "dir/", "a.sub", "b.sub"}).inputs.size(), 2u);
    EXPECT_FALSE(plain.ignoreSignature);
    EXPECT_FALSE(plain.frameRate);
    EXPECT_DOUBLE_EQ(plain.speed, 1.0);
}

TEST(Options, RefusesBadCommandLines) {
    struct Row {
        std::vector<std::string_view> arguments;
        const char* complaint;
    };
    const Row rows[] = {
        {{"a.sub", "b.sub"}, "more than one"},
        {{"--format", "srt", "-o", "out.srt", "a.sub", "b.sub"}, "-o DIR/"},
        {{"-o", "dir/", "a.sub"}, "needs --format"},
        {{"--play", "--offset", "5", "a.sub"}, "--offset excludes --play"},
        {{"--format", "ass", "a.sub"}, "--format"},
        {{"--format"}, "needs a value"},
        {{"--play", "--format", "srt", "a.sub"}, "exclude"},
        {{"--probe", "--play", "a.sub"}, "--probe"},
        {{"--info", "--probe", "a.sub"}, "--info excludes"},
        {{"--info", "--format", "srt", "a.sub"}, "text or json"},
        {{"--info", "--format", "json", "-o", "out/", "a.sub"}, "--info excludes -o DIR/"},
        {{"--speed", "0", "a.sub"}, "--speed"},
        {{"--speed", "-2", "a.sub"}, "--speed"},
        {{"--speed", "inf", "a.sub"}, "--speed"},
        {{"--speed", "2x", "a.sub"}, "--speed"},
        {{"--seek", "-1", "a.sub"}, "--seek"},
        {{"--seek", "4294967296ms", "a.sub"}, "--seek"},  // past 32 bits
        {{"--seek", "4294968", "a.sub"}, "--seek"},       // seconds past 32 bits of ms
        {{"--play", "--scale", "2", "a.sub"}, "--scale excludes --play"},
        {{"--scale", "0", "a.sub"}, "--scale"},
        {{"--scale", "25/0", "a.sub"}, "--scale"},
        {{"-o", "out.ass", "a.sub"}, "cannot tell the format"},
        {{"-o", "out", "a.sub"}, "cannot tell the format"},
        {{"-o", "out.text", "a.sub"}, "cannot tell the format"},
        {{"-y", "-n", "a.sub"}, "exclude each other"},
        {{"--seek", "1:60", "a.sub"}, "--seek"},
        {{"--fps", "25/0", "a.sub"}, "--fps"},
        {{"--encoding=", "a.sub"}, "--encoding"},
        {{"--reverse=yes", "a.sub"}, "takes no value"},
        {{"-r", "a.sub"}, "unknown option"},
        {{"--frobnicate", "a.sub"}, "unknown option"},
        // ffmpeg's habits.
        {{"-i", "a.sub", "-o", "a.srt"}, "give a.sub as an argument"},
        {{"a.sub", "out.srt"}, "did you mean -o out.srt?"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        const auto parsed = parseOptions(row.arguments);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
        EXPECT_NE(std::get<UsageError>(parsed).message.find(row.complaint), std::string::npos)
            << std::get<UsageError>(parsed).message;
    }
}

TEST(Options, OutputFileNamesTheFormat) {
    struct Row {
        std::vector<std::string_view> arguments;
        OutputFormat format;
    };
    const Row rows[] = {
        {{"-o", "a.srt", "a.sub"}, OutputFormat::Srt},
        {{"-o", "dir.d/a.VTT", "a.sub"}, OutputFormat::Vtt},
        {{"-o", "a.json", "a.sub"}, OutputFormat::Json},
        {{"-o", "a.txt", "a.sub"}, OutputFormat::Text},
        {{"-o", "a.sub", "b.sub"}, OutputFormat::Sub},
        {{"--format", "json", "-o", "a.srt", "a.sub"}, OutputFormat::Json},  // --format wins
        {{"-o", "-", "a.sub"}, OutputFormat::Text},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        EXPECT_EQ(parse(row.arguments).format, row.format);
    }
}

TEST(Options, TimesAreSecondsClockTimesOrMilliseconds) {
    struct Row {
        std::string_view text;
        std::optional<std::int64_t> milliseconds;
    };
    const Row rows[] = {
        {"5", 5000},  // seconds, as every peer reads a bare number
        {"-5", -5000},
        {"1500ms", 1500},
        {"-500ms", -500},
        {"1.5", 1500},
        {"90.25", 90250},
        {"1:30", 90000},
        {"01:02:03.004", 3723004},
        {"0:00.1", 100},
        {"-2.5", -2500},
        {"4294967295ms", 4294967295},
        {"4294967.295", 4294967295},
        {"4294967296ms", std::nullopt},
        {"1.5ms", std::nullopt},
        {"ms", std::nullopt},
        {"1:60", std::nullopt},
        {"1:2:3:4", std::nullopt},
        {"1.2345", std::nullopt},
        {"1.", std::nullopt},
        {":5", std::nullopt},
        {"4294967.296", std::nullopt},
        {"--1", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseTime(row.text, /*signedTime*/ true), row.milliseconds);
    }
    EXPECT_EQ(parseTime("-1", /*signedTime*/ false), std::nullopt);
}

// The manual's OPTIONS headings as the table spells them: "*-o* _FILE_, *--output* _FILE_".
std::vector<std::string> headingsFromTable() {
    std::vector<std::string> headings;
    for (const OptionSpec& option : optionTable()) {
        const std::string value =
            option.value.empty() ? "" : " _" + std::string(option.value) + "_";
        std::string heading;
        if (option.letter != 0) heading.append("*-").append(1, option.letter) += "*" + value + ", ";
        heading.append("*").append(option.name) += "*" + value;
        headings.push_back(heading);
    }
    return headings;
}

std::vector<std::string> headingsFromManual() {
    std::ifstream manual(TORK_SOURCE_DIR "/tools/subplay/subplay.1.scd");
    EXPECT_TRUE(manual) << "no manual source";
    std::vector<std::string> headings;
    bool inOptions = false;
    for (std::string line; std::getline(manual, line);) {
        if (line.starts_with("# ")) inOptions = line == "# OPTIONS";
        if (inOptions && line.starts_with('*')) headings.push_back(line);
    }
    return headings;
}

// Every option the parser takes is in the manual, with its letter and value, and the
// manual lists none it does not take.
TEST(Options, ManualListsEveryOptionOfTheTable) {
    EXPECT_EQ(headingsFromManual(), headingsFromTable());
}

// The table drives the parser's lookups: an option takes a value exactly when its row names
// one, and its letter stands for it.
TEST(Options, EveryRowIsParsedByNameAndLetter) {
    const auto refusal = [](const std::string& argument) {
        const auto parsed = parseOptions({argument});
        const auto* error = std::get_if<UsageError>(&parsed);
        return error != nullptr ? error->message : "accepted";
    };
    for (const OptionSpec& option : optionTable()) {
        const std::string name(option.name);
        // Without its value, or with one it does not take.
        const std::string probe = option.value.empty() ? "=1" : "";
        const std::string expected =
            "option " + name + (option.value.empty() ? " takes no value" : " needs a value");
        EXPECT_EQ(refusal(name + probe), expected);
        if (option.letter != 0) {
            EXPECT_EQ(refusal(std::string("-") + option.letter + probe), expected);
        }
    }
}

}  // namespace
}  // namespace Tork::Subplay
