// The reading report: what open tells a host of every kind of file, and the kit's words.
#include "framework/ReadingReport.h"

#include "host/ContainerSession.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/platform/TempFolder.h"
#include "text/UCNVLibrary.h"

#include <gtest/gtest.h>

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
