// File's eight open modes, its size query and its refusals.
#include "text/File.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace Tork {
namespace {

using namespace std::string_literals;

std::u16string widened(const std::string& path) {
    return std::u16string(path.begin(), path.end());  // the test paths are ASCII
}

std::optional<std::string> contentsOf(const std::string& path) {
    const auto file = Testing::TempFolder::native(path);
    if (!std::filesystem::exists(file)) return std::nullopt;
    std::ostringstream contents;
    contents << std::ifstream(file, std::ios::binary).rdbuf();
    return contents.str();
}

struct ModeCase {
    std::int32_t mode;
    bool exists;  // "hello" is there before the open
    std::int32_t result;
    std::optional<std::string> after;  // nullopt: no file
};

TEST(File, OpensByMode) {
    const ModeCase cases[] = {
        {0, true, 0, "hello"}, {0, false, 2, {}}, {1, true, 0, ""},      {1, false, 0, ""},
        {2, true, 2, "hello"}, {2, false, 0, ""}, {3, true, 0, ""},      {3, false, 0, ""},
        {4, true, 0, "hello"}, {4, false, 0, ""}, {5, true, 2, "hello"}, {5, false, 0, ""},
        {6, true, 0, "hello"}, {6, false, 0, ""}, {7, true, 0, "hello"}, {7, false, 0, ""},
        {8, true, 3, "hello"}, {8, false, 3, {}}, {-1, false, 3, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE("mode " + std::to_string(row.mode) + (row.exists ? " existing" : " missing"));
        const Testing::TempFolder folder;
        const std::string path = folder.path("f.txt");
        if (row.exists) folder.write("f.txt", "hello");
        {
            File file;
            EXPECT_EQ(file.open(widened(path), static_cast<FileOpenMode>(row.mode)), row.result);
            EXPECT_EQ(file.isOpen(), row.result == 0);
        }
        EXPECT_EQ(contentsOf(path), row.after);
    }
}

TEST(File, KeepsTheFirstFileAndAnswersItsSize) {
    const Testing::TempFolder folder;
    File file;
    EXPECT_EQ(file.size(), -1);
    ASSERT_EQ(file.open(widened(folder.write("first", "hello")), FileOpenMode::Read), 0);
    EXPECT_EQ(file.open(widened(folder.write("second", "hi")), FileOpenMode::Read), 1);
    EXPECT_EQ(file.open(widened(folder.path("third")), FileOpenMode::WriteNew), 1);
    EXPECT_FALSE(contentsOf(folder.path("third")));
    EXPECT_EQ(file.size(), 5);
    EXPECT_EQ(file.size(), 5);  // the position is back where it was
}

TEST(File, RefusesPathsItCannotHandOnWhole) {
    const Testing::TempFolder folder;
    const std::string path = folder.write("f", "hello");
    const std::string named = folder.write("\xC3\xA9t\xC3\xA9", "hello");
    struct Case {
        const char* description;
        std::u16string path;
        std::int32_t result;
    };
    const Case cases[] = {
        {"ZeroUnit", widened(path) + u"\0/x"s, 2},
        {"HalfAPair", widened(path) + u"\xD800", 2},
        {"Empty", u"", 2},
        {"Folder", widened(folder.path()), 2},
        {"NonAscii", widened(folder.path()) + u"/\u00E9t\u00E9", 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.description);
        File file;
        EXPECT_EQ(file.open(row.path, FileOpenMode::Read), row.result);
    }
    EXPECT_EQ(contentsOf(named), "hello");
}

}  // namespace
}  // namespace Tork
