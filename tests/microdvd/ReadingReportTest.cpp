// The reading report: what open tells a host of every kind of file, and the kit's words.
#include "framework/ReadingReport.h"

#include "host/ContainerSession.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/support/TempFolder.h"
#include "text/UCNVLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace Tork {
namespace {

using namespace std::string_literals;
using Host::OpenReport;
using Host::SettingsContext;

const std::string kGood = "{1}{2}a\n{3}{4}b\n";

Host::ContainerSession::Factory direct() {
    return [](PluginHost* host) -> Plugin* { return new MicroDVDContainer(host); };
}

const std::vector<std::pair<std::string, SettingsContext::Value>> kLenient = {
    {"MicroDVD/Lenient", true}};

struct ReportCase {
    const char* description;
    std::string name;                     // the file's name in a fresh folder
    std::optional<std::string> contents;  // none: missing; "/": a folder
    std::vector<std::pair<std::string, SettingsContext::Value>> settings;
    std::int32_t outcome;
    std::uint32_t line;
    std::int32_t encodingSource;
    std::int32_t rateSource;
    bool needsIcu = false;
    std::string likelyEncoding = "";
};
void PrintTo(const ReportCase& c, std::ostream* out) {
    *out << c.description;
}

OpenReport openWithReport(const ReportCase& row, const Testing::TempFolder& folder) {
    std::string path = folder.path(row.name);
    if (row.contents == "/") {
        std::filesystem::create_directory(Testing::TempFolder::native(path));
    } else if (row.contents == "<3 GiB>") {  // sparse: nothing of it is read
        path = folder.write(row.name, kGood);
        std::filesystem::resize_file(Testing::TempFolder::native(path), std::uintmax_t{3} << 30);
    } else if (row.contents) {
        path = folder.write(row.name, *row.contents);
    }
    Host::ContainerSession session(direct());
    for (const auto& [name, value] : row.settings) {
        const auto slash = name.find('/');
        session.context().setAnyAnswer(name.substr(0, slash), name.substr(slash + 1), value);
    }
    const std::string url = row.name.starts_with("http:") ? row.name : Testing::fileUrl(path);
    const auto opened = session.open(Host::FileUrl(url));
    EXPECT_EQ(opened == Host::ContainerSession::OpenOutcome::Opened, row.outcome == kReadingOpened);
    EXPECT_TRUE(session.report().has_value());
    return session.report().value_or(OpenReport{});
}

class Report : public testing::TestWithParam<ReportCase> {};

TEST_P(Report, TellsHowOpenEnded) {
    const ReportCase& row = GetParam();
    if (row.needsIcu && !UCNVLibrary::instance()->usable()) GTEST_SKIP() << "no ICU";
    const Testing::TempFolder folder;
    const OpenReport report = openWithReport(row, folder);
    EXPECT_EQ(report.outcome, row.outcome);
    EXPECT_EQ(report.line, row.line);
    EXPECT_EQ(report.encodingSource, row.encodingSource);
    EXPECT_EQ(report.rateSource, row.rateSource);
    EXPECT_EQ(report.likelyEncoding, row.likelyEncoding);
}

const ReportCase reportCases[] = {
    {"Opened", "film.sub", kGood, {}, kReadingOpened, 0, kEncodingDefault, kRateDefault},
    {"HostRate",
     "film.sub",
     kGood,
     {{"FrameRate/Ratio", SettingsContext::Ratio{1, 25}}},
     kReadingOpened,
     0,
     kEncodingDefault,
     kRateHost},
    {"Declared",
     "film.txt",
     "{1}{1}25\n" + kGood,
     {},
     kReadingOpened,
     0,
     kEncodingDefault,
     kRateDeclaration},
    {"NotFileUrl",
     "http://host/film.sub",
     kGood,
     {},
     kReadingNotFileUrl,
     0,
     kEncodingNotSettled,
     kRateDefault},
    {"ExtensionRefused",
     "film.srt",
     kGood,
     {},
     kReadingExtensionRefused,
     0,
     kEncodingNotSettled,
     kRateDefault},
    {"Missing",
     "film.sub",
     std::nullopt,
     {},
     kReadingNotFound,
     0,
     kEncodingNotSettled,
     kRateDefault},
    {"Folder", "folder.sub", "/", {}, kReadingNotRegularFile, 0, kEncodingNotSettled, kRateDefault},
    {"TooLarge", "film.sub", "<3 GiB>", {}, kReadingTooLarge, 0, kEncodingNotSettled, kRateDefault},
    {"Empty", "film.sub", "", {}, kReadingNoEntries, 0, kEncodingDefault, kRateDefault},
    {"OneByte", "film.sub", "x", {}, kReadingNoEntries, 0, kEncodingDefault, kRateDefault},
    {"NotUtf8",
     "film.sub",
     "\xE9t\xE9",
     {},
     kReadingConversionFailed,
     0,
     kEncodingDefault,
     kRateDefault},
    {"BadLine",
     "film.sub",
     "{1}{2}a\r\n\r\nhello\n{3}{4}b\n",
     {},
     kReadingBadLine,
     3,
     kEncodingDefault,
     kRateDefault},
    {"LenientSkips", "film.sub", "hello\n" + kGood, kLenient, kReadingOpened, 0, kEncodingDefault,
     kRateDefault},
    {"NoFrameLines", "film.sub", "hello\nworld\n", kLenient, kReadingNoFrameLines, 0,
     kEncodingDefault, kRateDefault},
    {"Signature",
     "film.sub",
     "\xFF\xFE{\0001\0}\0{\0002\0}\0a\0"s,
     {{"CodePage/OverrideEmbedded", false}},
     kReadingOpened,
     0,
     kEncodingSignature,
     kRateDefault,
     true},
    {"CodePage",
     "film.sub",
     "{1}{2}\x8A\n",
     {{"CodePage/Name", "windows-1250"s}},
     kReadingOpened,
     0,
     kEncodingCodePage,
     kRateDefault,
     true},
    {"UnknownCodePage",
     "film.sub",
     kGood,
     {{"CodePage/Name", "no-such-encoding"s}},
     kReadingUnknownCodePage,
     0,
     kEncodingCodePage,
     kRateDefault,
     true},
    {"Utf16WithoutSignature", "film.sub", "{\0001\0}\0{\0002\0}\0a\0\n\0"s, kLenient,
     kReadingNoFrameLines, 0, kEncodingDefault, kRateDefault, false, "UTF-16LE"},
};
INSTANTIATE_TEST_SUITE_P(ReadingReport, Report, testing::ValuesIn(reportCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(ReadingReport, CountsWhatTheReadingMet) {
    const Testing::TempFolder folder;
    std::string file = "{1}{1}25\n{25}{50}a\xFF\n   \n{1}{1}30\n{3}{-4}b\n{5}{6}\n";
    for (int i = 0; i < 150; ++i) file += "junk\n";
    file += "{7}{8}c\n";
    const OpenReport report =
        openWithReport({"", "film.sub", file, kLenient, kReadingOpened, 0, 0, 0}, folder);
    EXPECT_TRUE(report.lenient);
    EXPECT_EQ(report.encoding, "UTF-8");
    EXPECT_EQ(report.replacements, 1u);
    EXPECT_EQ(report.rateNumerator, 30u);
    EXPECT_EQ(report.rateDenominator, 1u);
    EXPECT_EQ(report.rateLine, 4u);
    EXPECT_EQ(report.rateChanges, 2u);
    EXPECT_EQ(report.linesRead, 157u);
    EXPECT_EQ(report.entries, 2u);
    EXPECT_EQ(report.skippedCount, 153u);
    ASSERT_EQ(report.skipped.size(), ReadingReport::kSkippedListed);
    const std::vector<OpenReport::SkippedLine> first(report.skipped.begin(),
                                                     report.skipped.begin() + 4);
    EXPECT_EQ(
        first,
        (std::vector<OpenReport::SkippedLine>{
            {3, kSkipBlank}, {5, kSkipNegativeEnd}, {6, kSkipNoText}, {7, kSkipNoFrameGroups}}));
}

// A zero byte reaches the host, in text converted from another encoding too.
struct ZeroCase {
    const char* description;
    std::string contents;
    std::vector<std::pair<std::string, SettingsContext::Value>> settings;
    std::uint32_t zeroLine, zeroBytes, unreadBytes, entries;
    bool needsIcu = false;
};
void PrintTo(const ZeroCase& c, std::ostream* out) {
    *out << c.description;
}

class ZeroByte : public testing::TestWithParam<ZeroCase> {};

TEST_P(ZeroByte, IsTold) {
    const ZeroCase& row = GetParam();
    if (row.needsIcu && !UCNVLibrary::instance()->usable()) GTEST_SKIP() << "no ICU";
    const Testing::TempFolder folder;
    const OpenReport report = openWithReport(
        {"", "film.sub", row.contents, row.settings, kReadingOpened, 0, 0, 0}, folder);
    EXPECT_EQ(report.zeroLine, row.zeroLine);
    EXPECT_EQ(report.zeroBytes, row.zeroBytes);
    EXPECT_EQ(report.unreadBytes, row.unreadBytes);
    EXPECT_EQ(report.entries, row.entries);
}

const std::string kZeroInLine = "{1}{50}One\n{60}{100}Two \0 x\n{200}{300}Three\n"s;
const std::string kUtf16Zero =
    "\xFF\xFE{\0001\0}\0{\0002\0}\0a\0\0\0b\0\n\0{\0003\0}\0{\0004\0}\0c\0"s;

const ZeroCase zeroCases[] = {
    {"Default", kZeroInLine, {}, 2, 0, 20, 2},
    {"CodePage",
     "{1}{2}\xE9\0x\n{3}{4}b\n"s,
     {{"CodePage/Name", "windows-1250"s}},
     1,
     0,
     11,
     1,
     true},
    {"Utf16Lenient",
     kUtf16Zero,
     {{"CodePage/OverrideEmbedded", false}, {"MicroDVD/Lenient", true}},
     1,
     1,
     0,
     2,
     true},
};
INSTANTIATE_TEST_SUITE_P(ReadingReport, ZeroByte, testing::ValuesIn(zeroCases),
                         [](const auto& info) { return std::string(info.param.description); });

// The probe says why it answers as it does, in a report of its own kind.
struct ProbeCase {
    const char* description;
    std::optional<std::string> contents;  // none: missing
    bool lenient;
    bool answer;
    std::int32_t outcome;
    std::uint32_t line;
};
void PrintTo(const ProbeCase& c, std::ostream* out) {
    *out << c.description;
}

// Comment lines that fill more than the lenient probe's window before the first cue.
std::string farHeader() {
    std::string header;
    for (int i = 0; i < 1900; ++i)
        header += "# a comment line of the release, " + std::to_string(1000 + i) + "\n";
    return header;
}

class Probe : public testing::TestWithParam<ProbeCase> {};

TEST_P(Probe, TellsWhy) {
    const ProbeCase& row = GetParam();
    const Testing::TempFolder folder;
    const std::string path =
        row.contents ? folder.write("film.sub", *row.contents) : folder.path("film.sub");
    Host::ContainerSession session(direct());
    if (row.lenient) session.context().setAnyAnswer("MicroDVD", "Lenient", true);
    EXPECT_EQ(session.probe(Host::FileUrl(Testing::fileUrl(path))), row.answer);
    ASSERT_TRUE(session.report().has_value());
    EXPECT_TRUE(session.report()->probed);
    EXPECT_EQ(session.report()->outcome, row.outcome);
    EXPECT_EQ(session.report()->line, row.line);
    EXPECT_EQ(session.report()->lenient, row.lenient);
    // An open after it says what the open did.
    (void)session.open(Host::FileUrl(Testing::fileUrl(path)));
    EXPECT_FALSE(session.report()->probed);
}

const ProbeCase probeCases[] = {
    {"Recognised", kGood, false, true, kReadingRecognised, 0},
    {"FirstLineBad", "\n\r\nhello\n" + kGood, false, false, kReadingBadLine, 3},
    {"NoLine", "\r\n\r\n", false, false, kReadingNoFrameLines, 0},
    {"Empty", "", false, false, kReadingNoEntries, 0},
    {"Missing", std::nullopt, false, false, kReadingNotFound, 0},
    {"NotUtf8", "\xE9t\xE9", false, false, kReadingConversionFailed, 0},
    {"LenientHeader", "hello\n" + kGood, true, true, kReadingRecognised, 0},
    {"LenientNone", "hello\nworld\n", true, false, kReadingNoFrameLines, 0},
    {"LenientTooFar", farHeader() + kGood, true, false, kReadingNoFrameLinesAtStart, 0},
};
INSTANTIATE_TEST_SUITE_P(ReadingReport, Probe, testing::ValuesIn(probeCases),
                         [](const auto& info) { return std::string(info.param.description); });

// Leniently, what the probe recognises opens and what it does not is refused, whatever the
// encoding makes of the bytes that its window holds.
TEST(ReadingReport, LenientProbeAndOpenAgree) {
    const std::size_t window = kReadingProbeWindow;
    const auto filler = [](std::size_t bytes) {
        std::string lines;
        while (lines.size() + 20 <= bytes) lines += "notes of a release\n";  // 19 bytes
        return lines + std::string(bytes - lines.size() - 1, '-') + "\n";
    };
    const auto utf16 = [](const std::string& text) {
        std::string bytes = "\xFF\xFE";
        for (const char c : text) bytes += {c, '\0'};
        return bytes;
    };
    const struct {
        const char* description;
        std::string contents;
        bool recognised;
        bool needsIcu = false;
    } cases[] = {
        {"1,900 comment lines, then a cue", farHeader() + kGood, false},
        {"a cue that ends inside", filler(window - 20) + kGood, true},
        {"frame groups cut at the window's end", filler(window - 4) + "{10}{20}x\n", false},
        {"frame groups inside, the text beyond",
         filler(window - 10) + "{1}{2}" + std::string(200, 'x'), true},
        {"a zero byte in the header", "hello\0world\n"s + kGood, true},
        {"UTF-16: 40 KiB of text, 80 of bytes", utf16(filler(40 * 1024) + kGood), false, true},
        {"UTF-16: 20 KiB of text, 40 of bytes", utf16(filler(20 * 1024) + kGood), true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        if (c.needsIcu && !UCNVLibrary::instance()->usable()) continue;
        const Testing::TempFolder folder;
        const Host::FileUrl url(Testing::fileUrl(folder.write("film.sub", c.contents)));
        Host::ContainerSession session(direct());
        session.context().setAnyAnswer("MicroDVD", "Lenient", true);
        session.context().setAnyAnswer("CodePage", "OverrideEmbedded", false);
        EXPECT_EQ(session.probe(url), c.recognised);
        const bool opened = session.open(url) == Host::ContainerSession::OpenOutcome::Opened;
        EXPECT_EQ(opened, c.recognised);
        if (!opened) {
            EXPECT_EQ(session.report()->outcome, kReadingNoFrameLinesAtStart);
        }
    }
}

// A host built for version 1 hears of opens only, in its own fields and codes; one built
// for version 2 hears of the last open or probe, whole.
TEST(ReadingReport, TellsEachVersionWhatItKnows) {
    const Testing::TempFolder folder;
    const std::string zero = folder.write("zero.sub", kZeroInLine);
    const std::string far = folder.write("far.sub", farHeader() + kGood);
    const struct {
        const char* description;
        bool lenient;
        std::string opened, probed;  // empty: not done; the probe comes second
        std::int32_t outcome1, outcome2;
        std::uint32_t entries1, zeroLine2;
    } cases[] = {
        {"an open", false, zero, "", kReadingOpened, kReadingOpened, 2, 2},
        {"a probe after it", false, zero, folder.path("missing.sub"), kReadingOpened,
         kReadingNotFound, 2, 0},
        {"a code of version 2", true, far, "", kReadingNoFrameLines, kReadingNoFrameLinesAtStart, 0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        Host::ContainerSession session(direct());
        if (c.lenient) session.context().setAnyAnswer("MicroDVD", "Lenient", true);
        (void)session.open(Host::FileUrl(Testing::fileUrl(c.opened)));
        if (!c.probed.empty()) (void)session.probe(Host::FileUrl(Testing::fileUrl(c.probed)));
        for (const auto& [id, version] : {std::pair{kReadingReportInterfaceId, 1u},
                                          std::pair{kReadingReportV2InterfaceId, 2u}}) {
            SCOPED_TRACE(id);
            void* face = nullptr;
            ASSERT_EQ(session.plugin()->queryInterface(String(id), &face), 0);
            std::vector<unsigned char> memory(sizeof(ReadingReport), 0xA5);
            auto* report = reinterpret_cast<ReadingReport*>(memory.data());
            ASSERT_EQ(static_cast<ReadingReportInterface*>(face)->getReadingReport(report), 0);
            EXPECT_EQ(report->version, version);
            if (version == 1) {
                EXPECT_EQ(report->outcome, c.outcome1);
                EXPECT_EQ(report->entries, c.entries1);
                EXPECT_EQ(
                    std::count(memory.begin() + kReadingReportV1Size, memory.end(), 0xA5),
                    static_cast<std::ptrdiff_t>(sizeof(ReadingReport) - kReadingReportV1Size));
            } else {
                EXPECT_EQ(report->outcome, c.outcome2);
                EXPECT_EQ(report->zeroLine, c.zeroLine2);
                EXPECT_EQ(report->probed, c.probed.empty() ? 0u : 1u);
            }
        }
    }
}

TEST(ReadingReport, IsAnsweredBesideTheContainerOnly) {
    Host::ContainerSession session(direct());
    ASSERT_TRUE(session.ready());
    // Before any open.
    const auto before = OpenReport::of(*session.plugin());
    ASSERT_TRUE(before);
    EXPECT_EQ(before->outcome, kReadingNotOpened);
    void* face = nullptr;
    for (const char* id : {"tork.microdvd.reading-report ", "TORK.MICRODVD.READING-REPORT"}) {
        EXPECT_EQ(session.plugin()->queryInterface(String(id, charAllocator()), &face), 3);
        EXPECT_EQ(face, nullptr);
    }
    ASSERT_EQ(session.plugin()->queryInterface(String(kReadingReportInterfaceId), &face), 0);
    EXPECT_EQ(static_cast<ReadingReportInterface*>(face)->getReadingReport(nullptr),
              static_cast<std::int32_t>(0x80100001));
}

// The kit's failure text names the file and comes from the report.
TEST(ReadingReport, GivesTheKitItsFailureText) {
    const Testing::TempFolder folder;
    Host::ContainerSession session(direct());
    const std::string path = folder.write("film.sub", "{1}{2}a\nhello\n");
    EXPECT_EQ(session.open(Host::FileUrl(Testing::fileUrl(path))),
              Host::ContainerSession::OpenOutcome::Refused);
    EXPECT_EQ(session.error(), "film.sub: line 2: no {start}{end} at its start");
}

}  // namespace
}  // namespace Tork
