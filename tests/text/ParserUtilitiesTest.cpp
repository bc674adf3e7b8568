// Reading text files: encoding decisions, sizes, and what is not a regular file.
#include "text/ParserUtilities.h"

#include "platform/DynamicLibrary.h"
#include "scan/Scan.h"
#include "tests/support/TempFolder.h"
#include "text/UCNVLibrary.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <ostream>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <limits>
#include <optional>
#include <thread>
#include <vector>

namespace Tork::ParserUtilities {
namespace {

using namespace std::string_literals;

// The settings of a host that sets nothing: signatures are not looked for.
const EncodingSettings kNone;

EncodingSettings settingsOf(bool honourSignature, std::string codePage) {
    EncodingSettings settings;
    settings.honourSignature = honourSignature;
    settings.codePage = String(codePage.c_str(), charAllocator());
    return settings;
}

const UCNVLibrary* absentIcu() {
    static const UCNVLibrary library(std::vector<std::string>{});
    return &library;
}

// What readTextFile hands out, or nullopt when it fails; a failure must leave `out` alone.
std::optional<std::string> read(const std::string& path, const EncodingSettings& settings,
                                std::int32_t size = kWholeFile, ReadSize mode = ReadSize::Exact,
                                const UCNVLibrary* icu = UCNVLibrary::instance()) {
    String out("untouched");
    if (!readTextFile(String(path), settings, &out, size, mode, icu)) {
        EXPECT_EQ(out.text(), "untouched");
        return std::nullopt;
    }
    EXPECT_EQ(out.allocator(), byteAllocator());
    EXPECT_EQ(out.data()[out.length()], 0);
    return std::string(out.bytes());
}

enum class Icu { Present, Absent };
constexpr bool kHonour = true, kIgnore = false;

struct EncodingCase {
    const char* description;
    std::string file;
    bool honourSignature;
    std::string codePage;
    Icu icu;
    std::optional<std::string> expected;
};
// Listed by name, not as raw bytes.
void PrintTo(const EncodingCase& c, std::ostream* out) {
    *out << c.description;
}

class Encoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(Encoding, FollowsSignatureAndSettings) {
    const EncodingCase& row = GetParam();
    if (row.icu == Icu::Present && !UCNVLibrary::instance()->usable())
        GTEST_SKIP() << "no ICU on this system";
    const Testing::TempFolder folder;
    EXPECT_EQ(read(folder.write("f.sub", row.file), settingsOf(row.honourSignature, row.codePage),
                   kWholeFile, ReadSize::Exact,
                   row.icu == Icu::Present ? UCNVLibrary::instance() : absentIcu()),
              row.expected);
}

const EncodingCase encodingCases[] = {
    {"Utf8SignatureRemoved", "\xEF\xBB\xBFhi", kHonour, "", Icu::Present, "hi"},
    {"Utf8SignatureKeptWhenIgnored", "\xEF\xBB\xBFhi", kIgnore, "", Icu::Present, "\xEF\xBB\xBFhi"},
    {"Utf16LeSignature",
     "\xFF\xFE"
     "A\0B\0"s,
     kHonour, "", Icu::Present, "AB"},
    {"Utf16LeWithoutIcu",
     "\xFF\xFE"
     "A\0B\0"s,
     kHonour,
     "",
     Icu::Absent,
     {}},
    {"SignatureBeatsName",
     "\xFF\xFE"
     "A\0B\0"s,
     kHonour, "ISO-8859-1", Icu::Present, "AB"},
    // The reading decides what a zero byte means, in every encoding.
    {"ConvertedTextKeepsZeros",
     "\xFF\xFE"
     "A\0B\0\0\0C\0"s,
     kHonour, "", Icu::Present, "AB\0C"s},
    // FF FE 00 00 would be UTF-32's signature: the big-endian one says UTF-16 alone.
    {"ConvertedTextBeginningWithAZero",
     "\xFE\xFF"
     "\0\0\0A"s,
     kHonour,
     "",
     Icu::Present,
     {}},
    // Once asked the stand-in ICU for more forever.
    {"Utf32CutShort",
     "\xFF\xFE"
     "\0\0A\0"s,
     kHonour,
     "",
     Icu::Present,
     {}},
    {"CodePageTextKeepsZeros", "a\0\xE9"s, kIgnore, "ISO-8859-1", Icu::Present, "a\0\xC3\xA9"s},
    {"Latin1Unnamed", "\xE9t\xE9", kIgnore, "", Icu::Present, {}},
    {"Latin1Named", "\xE9t\xE9", kHonour, "ISO-8859-1", Icu::Present, "\xC3\xA9t\xC3\xA9"},
    {"Latin1NamedWithoutIcu", "\xE9t\xE9", kHonour, "ISO-8859-1", Icu::Absent, {}},
    {"Windows1250",
     "\x8A"
     "a",
     kIgnore, "windows-1250", Icu::Present,
     "\xC5\xA0"
     "a"},
    // Not honoured: the signature goes to the converter with the text.
    {"IgnoredSignatureConverted", "\xEF\xBB\xBFhi", kIgnore, "UTF-8", Icu::Present,
     "\xEF\xBB\xBFhi"},
    {"UnknownConverter", "hi", kHonour, "no-such-encoding", Icu::Present, {}},
    {"OnlyASignature", "\xEF\xBB\xBF", kHonour, "", Icu::Present, {}},
    {"UnchangedTextKeepsZeros", "a\0\0b"s, kIgnore, "", Icu::Present, "a\0\0b"s},
    {"IllFormedTailReplaced", "{1}\xE9t\xE9\xE2\x82"s, kIgnore, "", Icu::Absent,
     "{1}\xEF\xBF\xBDt\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Utf8Unchanged", "\xC3\xA9t\xC3\xA9", kIgnore, "", Icu::Absent, "\xC3\xA9t\xC3\xA9"},
};
INSTANTIATE_TEST_SUITE_P(ReadTextFile, Encoding, testing::ValuesIn(encodingCases),
                         [](const auto& info) { return std::string(info.param.description); });

// Whether the code page would be used decides whether hosts are asked for it.
bool systemIcuLoaded() {
    for (const std::string& name : UCNVLibrary::systemCandidates())
        if (DynamicLibrary::isLoaded(name)) return true;
    return false;
}

// ICU is looked for only when a text needs it: UTF-8, even with detection asked for, does
// not; a code page does. Needs a process of its own, as ctest gives each test.
TEST(DecodeFileText, BindsIcuOnlyForATextThatNeedsIt) {
    if (systemIcuLoaded()) GTEST_SKIP() << "ICU was bound before this test";
    EncodingSettings detectingSettings = settingsOf(true, "");
    const EncodingSettings& detecting = detectingSettings;
    detectingSettings.detect = true;
    for (const EncodingSettings* settings : {&kNone, &detecting}) {
        String bytes("{1}{2}Caf\xC3\xA9");
        String out;
        DecodeReport report;
        ASSERT_TRUE(decodeFileText(bytes, false, *settings, &out, &report));
        EXPECT_FALSE(systemIcuLoaded());
    }
    String bytes("{1}{2}Caf\xE9");
    String out;
    DecodeReport report;
    const bool converted =
        decodeFileText(bytes, false, settingsOf(false, "windows-1252"), &out, &report);
    EXPECT_EQ(converted, systemIcuLoaded());
}

TEST(NeedsCodePageName, OnlyWhenNoHonouredSignatureNamesTheEncoding) {
    EXPECT_FALSE(needsCodePageName(String("\xEF\xBB\xBFhi"), kHonour));
    EXPECT_TRUE(needsCodePageName(String("\xEF\xBB\xBFhi"), kIgnore));
    EXPECT_TRUE(needsCodePageName(String("hi"), kHonour));
    EXPECT_TRUE(needsCodePageName(String(""), kHonour));
}

struct SizeCase {
    const char* description;
    std::string file;
    std::int32_t size;
    ReadSize mode;
    std::optional<std::string> expected;
};
// Listed by name, not as raw bytes.
void PrintTo(const SizeCase& c, std::ostream* out) {
    *out << c.description;
}

class Size : public testing::TestWithParam<SizeCase> {};

TEST_P(Size, ReadsWhatIsAsked) {
    const SizeCase& row = GetParam();
    const Testing::TempFolder folder;
    EXPECT_EQ(read(folder.write("f.sub", row.file), kNone, row.size, row.mode), row.expected);
}

const SizeCase sizeCases[] = {
    {"WholeFile", "0123456789", kWholeFile, ReadSize::Exact, "0123456789"},
    {"ExactPrefix", "0123456789", 4, ReadSize::Exact, "0123"},
    {"ExactAll", "0123456789", 10, ReadSize::Exact, "0123456789"},
    {"ExactBeyondTheEnd", "0123456789", 20, ReadSize::Exact, {}},
    {"ExactNothing", "0123456789", 0, ReadSize::Exact, {}},
    {"AtMostPrefix", "0123456789", 4, ReadSize::AtMost, "0123"},
    {"AtMostBeyondTheEnd", "0123456789", 1024, ReadSize::AtMost, "0123456789"},
    {"AtMostWholeFile", "0123456789", kWholeFile, ReadSize::AtMost, "0123456789"},
    {"NegativeSize", "0123456789", -2, ReadSize::Exact, {}},
    {"NegativeAtMost", "0123456789", -2, ReadSize::AtMost, {}},
    {"SizePlusOneOverflows",
     "0123456789",
     std::numeric_limits<std::int32_t>::max(),
     ReadSize::Exact,
     {}},
    {"EmptyFile", "", kWholeFile, ReadSize::Exact, {}},
    {"OneByte", "a", kWholeFile, ReadSize::Exact, {}},
    {"TwoBytes", "ab", kWholeFile, ReadSize::Exact, "ab"},
    {"OneCharacterOnly", "\xE2\x82\xAC", kWholeFile, ReadSize::Exact, {}},
    {"OneCharacterAndAByte", "\xE2\x82\xAC!", kWholeFile, ReadSize::Exact, "\xE2\x82\xAC!"},
    {"IllFormedStart",
     "\x80"
     "abc",
     kWholeFile,
     ReadSize::Exact,
     {}},
};
INSTANTIATE_TEST_SUITE_P(ReadTextFile, Size, testing::ValuesIn(sizeCases),
                         [](const auto& info) { return std::string(info.param.description); });

#ifndef _WIN32  // FIFOs and /dev; Windows devices are in WindowsTest.cpp
TEST(ReadTextFile, RefusesWhatIsNotARegularFile) {
    const Testing::TempFolder folder;
    const std::string fifo = folder.path("fifo.sub");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    // Should the reader wait for a writer, this thread frees it and the test fails.
    std::atomic<bool> done{false}, rescued{false};
    std::thread rescuer([&] {
        const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (std::chrono::steady_clock::now() < patience) continue;
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) {
                rescued = true;
                ::close(writer);
            }
        }
    });
    for (const std::string& path : {folder.path(), fifo, "/dev/null"s, "/dev/zero"s}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(read(path, kNone), std::nullopt);
        EXPECT_EQ(read(path, kNone, 1024, ReadSize::AtMost), std::nullopt);
    }
    done = true;
    rescuer.join();
    EXPECT_FALSE(rescued) << "the reader waited on a FIFO";
}
#endif

TEST(ReadTextFile, RefusesAFileTooLongForItsSize) {
    const Testing::TempFolder folder;
    // Sparse files: nothing of them is read or allocated.
    const std::string huge = folder.write("huge.sub", "{1}{1}25\n");
    std::filesystem::resize_file(huge, std::uintmax_t{3} << 30);
    const std::string limit = folder.write("limit.sub", "{1}{1}25\n");
    std::filesystem::resize_file(limit, std::numeric_limits<std::int32_t>::max());

    EXPECT_EQ(read(huge, kNone), std::nullopt);
    EXPECT_EQ(read(limit, kNone), std::nullopt);
    // The probe's read still works on it.
    const auto start = read(huge, kNone, 16, ReadSize::AtMost);
    EXPECT_EQ(start, "{1}{1}25\n\0\0\0\0\0\0\0"s);
}

// A large file is checked as UTF-8 a piece at a time while it is read: what is found must
// be what a check of the whole finds, whatever lies across a piece's end.
TEST(ReadFileBytes, ChecksUtf8InPiecesAsTheWholeIsChecked) {
    constexpr std::size_t kPiece = std::size_t{256} << 10;  // the reader's piece
    const auto across = [](std::size_t before, std::string_view middle) {
        std::string text(kPiece - before, 'x');
        for (std::size_t at = 80; at < text.size(); at += 81) text[at] = '\n';
        return text.append(middle).append(kPiece, 'y').append("\r\n");
    };
    const struct {
        const char* what;
        std::string text;
    } rows[] = {
        {"a character", across(1, "\xE2\x82\xAC")},
        {"CR LF", across(1, "\r\n")},
        {"line breaks just after the end", across(0, "\r\n")},
        {"a run of line breaks longer than the look-back", across(10, std::string(40, '\n'))},
        {"continuation bytes alone", across(10, std::string(40, '\x80'))},
        {"a cut sequence", across(1, "\xE2z")},
        {"an ill-formed byte after the end", across(0, "z\xFF")},
        {"a small file", "{1}{2}\xC5\xBC\r\n\r\n{3}{4}b"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Testing::TempFolder folder;
        String bytes;
        const FileReadResult read = readFileBytes(String(folder.write("f.sub", row.text)), bytes);
        ASSERT_TRUE(read);
        ASSERT_EQ(bytes.bytes(), row.text);
        std::size_t lines = 0;
        const bool wellFormed = Scan::Portable::utf8CountingLines(row.text, lines);
        EXPECT_EQ(read.wellFormedLines, wellFormed ? std::optional(lines) : std::nullopt);
    }
}

TEST(ReadTextFile, NeedsAWellFormedPathAndAnOut) {
    const Testing::TempFolder folder;
    const std::string illFormed = folder.write("bad\xFF.sub", "{1}{1}25\n");
    EXPECT_EQ(read(illFormed, kNone), std::nullopt);
    const std::string named = folder.write("\xC3\xA9t\xC3\xA9.sub", "{1}{1}25\n");
    EXPECT_EQ(read(named, kNone), "{1}{1}25\n");
    EXPECT_FALSE(readTextFile(String(named), kNone, nullptr));
}

}  // namespace
}  // namespace Tork::ParserUtilities
