// What the Windows layer adds, one row each: the shell's file: URLs, UTF-16 paths, devices,
// sharing, library names.
#include "logging/TorkLog.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileHandle.h"
#include "platform/LibraryNames.h"
#include "tests/support/TempFolder.h"
#include "text/File.h"
#include "text/ParserUtilities.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace Tork {
namespace {

std::string pathOf(const std::string& url) {
    String path;
    const bool ok = ParserUtilities::pathFromUrl(String(url), path) == Result::Ok;
    return ok ? std::string(path.text()) : "refused";
}

std::string sizeOf(const std::string& path) {
    File file;
    const bool ok = file.open(utf8ToWide(path), FileOpenMode::Read) == FileOpenResult::Opened;
    return ok ? std::to_string(file.size()) : "refused";
}

std::string loggedTo(const std::string& path) {
    const DynamicLibrary library(TORK_LOGGING_LIBRARY_PATH);
    const auto configure =
        reinterpret_cast<decltype(&TorkLog_configure)>(library.symbol("TorkLog_configure"));
    const auto close = reinterpret_cast<decltype(&TorkLog_close)>(library.symbol("TorkLog_close"));
    const bool ok = configure && close && configure(true, path.c_str()) == TORKLOG_OK;
    if (close) close();
    return ok && std::filesystem::exists(Testing::TempFolder::native(path)) ? "made" : "not made";
}

std::string versionOf(const char* path) {
    return std::to_string(LibraryNames::icuVersion(path).value_or(0));
}

TEST(Windows, DoesAsTheSystemDoes) {
    const Testing::TempFolder folder;
    const std::string shared = folder.write("shared.sub", "ab");
    File writer;  // mode 4: others may only read
    ASSERT_EQ(writer.open(utf8ToWide(shared), FileOpenMode::ReadWrite), FileOpenResult::Opened);
    const std::string longName(300, 'x');
    const struct {
        const char* description;
        std::string actual, expected;
    } cases[] = {
        {"drive", pathOf("file:///C:/My%20Films/a.sub"), "C:\\My Films\\a.sub"},
        {"localhost", pathOf("FILE://localhost/C:/a.sub"), "C:\\a.sub"},
        {"old drive form", pathOf("file:///C|/a.sub"), "C:\\a.sub"},
        {"UNC host", pathOf("file://server/share/a.sub"), "\\\\server\\share\\a.sub"},
        {"UTF-8", pathOf("file:///C:/\xC3\xA9 \xF0\x9F\x98\x80"), "C:\\\xC3\xA9 \xF0\x9F\x98\x80"},
        {"past MAX_PATH", pathOf("file:///C:/" + longName), "C:\\" + longName},
        {"query and fragment", pathOf("file:///C:/a.sub?x#y"), "C:\\a.sub"},
        {"escaped zero", pathOf("file:///C:/a.sub%00.txt"), "refused"},
        {"ill-formed", pathOf("file:///C:/a\xFF.sub"), "refused"},
        {"no path", pathOf("file:"), "refused"},
        {"other scheme", pathOf("http://server/a.sub"), "refused"},
        {"bare path", pathOf("C:\\a.sub"), "refused"},
        {"accented name", sizeOf(folder.write("\xC3\xA9t\xC3\xA9", "abc")), "3"},
        {"name past the BMP", sizeOf(folder.write("\xF0\x9F\x98\x80", "abcd")), "4"},
        {"folder", sizeOf(folder.path()), "refused"},
        {"NUL device", sizeOf("NUL"), "refused"},
        {"console", sizeOf("CON"), "refused"},
        {"read while written", sizeOf(shared), "2"},
        {"written while written",
         FileHandle::open(shared, FileAccess::Write, FileCreation::OpenExisting).isOpen()
             ? "opened"
             : "refused",
         "refused"},
        {"log name", loggedTo(folder.path("journal \xC3\xA9.log")), "made"},
        {"library name", LibraryNames::sharedLibrary("Tork_Logging"), "Tork_Logging.dll"},
        {"ICU name", LibraryNames::icuLibrary("icuuc", 72), "icuuc72.dll"},
        {"ICU version", versionOf("C:\\ICU\\ICUUC68.DLL"), "68"},
        {"framework's ICU", versionOf("Z:/orvel_icuuc40.dll"), "40"},
        {"unversioned", versionOf("icuuc.dll"), "0"},
        {"not a DLL", versionOf("icuuc72.dll.old"), "0"},
    };
    for (const auto& row : cases) EXPECT_EQ(row.actual, row.expected) << row.description;
}

bool loads(const std::string& path) {
    return DynamicLibrary(path).loaded();
}

// A DLL planted under a name the plug-in looks for (a copy of the logging library here) is
// loaded from the plug-in's folder, the program's and System32 only.
TEST(Windows, LooksForBareNamesOnlyInSafeFolders) {
    namespace fs = std::filesystem;
    const Testing::TempFolder folder;
    const std::string name = "tork_planted.dll";
    const fs::path logging = Testing::TempFolder::native(TORK_LOGGING_LIBRARY_PATH);
    fs::copy_file(logging, Testing::TempFolder::native(folder.path(name)));

    const fs::path current = fs::current_path();
    const char* pathVariable = std::getenv("PATH");
    const std::string path = pathVariable ? pathVariable : "";
    fs::current_path(Testing::TempFolder::native(folder.path()));
    _putenv(("PATH=" + folder.path() + ";" + path).c_str());
    const bool fromCurrentFolderOrPath = loads(name);
    const bool fromRelativePath = loads(".\\" + name);
    _putenv(("PATH=" + path).c_str());
    fs::current_path(current);

    const fs::path besideProgram =
        Testing::TempFolder::native(DynamicLibrary::programFolder() + name);
    fs::copy_file(logging, besideProgram, fs::copy_options::overwrite_existing);
    const bool fromProgramFolder = loads(name);
    std::error_code ignored;
    fs::remove(besideProgram, ignored);

    const struct {
        const char* description;
        bool actual, expected;
    } cases[] = {
        {"current folder or PATH", fromCurrentFolderOrPath, false},
        {"a relative path names the current folder", fromRelativePath, true},
        {"program's folder", fromProgramFolder, true},
        {"full path", loads(TORK_LOGGING_LIBRARY_PATH), true},
        {"System32", loads("kernel32.dll"), true},
    };
    for (const auto& row : cases) EXPECT_EQ(row.actual, row.expected) << row.description;
}

}  // namespace
}  // namespace Tork
