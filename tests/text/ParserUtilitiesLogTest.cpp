// The reader's three messages, verbatim, and its silent failures.
#include "text/ParserUtilities.h"

#include "tests/support/RecordingLog.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace Tork::ParserUtilities {
namespace {

struct Message {
    std::string format, text;
};

// %ld: a long has 32 bits on Windows, and larger counts are logged as the largest long.
const std::string kHuge = sizeof(long) == 8 ? "3221225473" : "2147483647";
const std::string kOverInt32 = sizeof(long) == 8 ? "2147483648" : "2147483647";

struct LogCase {
    const char* description;
    std::function<std::string(const Testing::TempFolder&)> makeFile;
    std::int32_t size;
    ReadSize mode;
    std::vector<Message> expected;
};
// Listed by name, not as raw bytes.
void PrintTo(const LogCase& c, std::ostream* out) {
    *out << c.description;
}

class ReaderLog : public testing::TestWithParam<LogCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(Testing::installRecordingLog());
        Testing::clearRecordedLogs();
    }
};

TEST_P(ReaderLog, WritesTheExactMessage) {
    const LogCase& row = GetParam();
    const Testing::TempFolder folder;
    const std::string path = row.makeFile(folder);
    String out;
    EXPECT_FALSE(readTextFile(String(path), EncodingSettings{}, &out, row.size, row.mode));

    std::vector<Message> expected = row.expected;
    for (Message& message : expected) {
        const auto at = message.text.find("<path>");
        if (at != std::string::npos) message.text.replace(at, 6, path);
    }
    const auto records = Testing::recordedLogs();
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].category, "Utilities");
        EXPECT_EQ(records[i].function, "Tork::ParserUtilities::readTextFile");
        EXPECT_GT(records[i].line, 0);
        EXPECT_EQ(records[i].format, expected[i].format);
        EXPECT_EQ(records[i].text, expected[i].text);
    }
}

std::string sparse(const Testing::TempFolder& folder, std::uintmax_t length) {
    const std::string path = folder.write("sparse.sub", "{1}{1}25\n");
    std::filesystem::resize_file(path, length);
    return path;
}

const LogCase logCases[] = {
    {"Missing",
     [](auto& f) { return f.path("missing.sub"); },
     kWholeFile,
     ReadSize::Exact,
     {{"Failed to open file %s\n", "Failed to open file <path>\n"}}},
    {"IllFormedPath",
     [](auto& f) { return f.write("bad\xC3.sub", "{1}{1}x"); },
     kWholeFile,
     ReadSize::Exact,
     {{"Failed to open file %s\n", "Failed to open file <path>\n"}}},
    {"Folder",
     [](auto& f) { return f.path(); },
     kWholeFile,
     ReadSize::Exact,
     {{"Failed to open file %s\n", "Failed to open file <path>\n"}}},
    {"ShortExactRead",
     [](auto& f) { return f.write("short.sub", std::string(500, 'x')); },
     1024,
     ReadSize::Exact,
     {{"Tried to read %ld bytes, got %ld\n", "Tried to read 1024 bytes, got 500\n"}}},
    {"TooLong",
     [](auto& f) { return sparse(f, std::uintmax_t{3} << 30); },
     kWholeFile,
     ReadSize::Exact,
     {{"Couldn't allocate %ld bytes\n", "Couldn't allocate " + kHuge + " bytes\n"}}},
    {"SizePlusOneOverflows",
     [](auto& f) { return f.write("small.sub", "{1}{1}x"); },
     std::numeric_limits<std::int32_t>::max(),
     ReadSize::Exact,
     {{"Couldn't allocate %ld bytes\n", "Couldn't allocate " + kOverInt32 + " bytes\n"}}},
    // Refused without a word.
    {"EmptyFile",
     [](auto& f) { return f.write("empty.sub", ""); },
     kWholeFile,
     ReadSize::Exact,
     {}},
    {"OneByte", [](auto& f) { return f.write("one.sub", "x"); }, 1024, ReadSize::AtMost, {}},
    {"IllFormedStart",
     [](auto& f) { return f.write("latin1.sub", "\xE9t\xE9"); },
     kWholeFile,
     ReadSize::Exact,
     {}},
};
INSTANTIATE_TEST_SUITE_P(ReadTextFile, ReaderLog, testing::ValuesIn(logCases),
                         [](const auto& info) { return std::string(info.param.description); });

}  // namespace
}  // namespace Tork::ParserUtilities
