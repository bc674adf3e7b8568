// Which settings hosts are asked for, in which order, and what their answers become.
#include "microdvd/HostSettings.h"

#include "host/ContainerSession.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Tork {
namespace {

using namespace std::string_literals;
using Host::SettingsContext;

const std::string kLenient = "MicroDVD/Lenient", kDetect = "CodePage/Detect",
                  kOverride = "CodePage/OverrideEmbedded", kName = "CodePage/Name",
                  kRatio = "FrameRate/Ratio";

struct QueryCase {
    const char* description;
    std::string file;  // none: the file is missing
    std::vector<std::pair<std::string, SettingsContext::Value>> settings;
    bool probe;
    std::vector<std::string> queries;
};
void PrintTo(const QueryCase& c, std::ostream* out) {
    *out << c.description;
}

class Queries : public testing::TestWithParam<QueryCase> {};

// Hosts may tell these apart: a query is made only when its answer can matter.
TEST_P(Queries, AreMadeAsTheReadingGetsToThem) {
    const QueryCase& row = GetParam();
    const Testing::TempFolder folder;
    const std::string path =
        row.file.empty() ? folder.path("missing.sub") : folder.write("film.sub", row.file);
    Host::ContainerSession session(
        [](PluginHost* host) -> Plugin* { return new MicroDVDContainer(host); });
    for (const auto& [name, value] : row.settings) {
        const auto slash = name.find('/');
        session.context().setAnyAnswer(name.substr(0, slash), name.substr(slash + 1), value);
    }
    if (row.probe)
        (void)session.probe(Host::FileUrl(Testing::fileUrl(path)));
    else
        (void)session.open(Host::FileUrl(Testing::fileUrl(path)));
    EXPECT_EQ(session.context().queries(), row.queries);
}

const QueryCase queryCases[] = {
    {"Opened", "{1}{2}a\n", {}, false, {kLenient, kDetect, kOverride, kName, kRatio}},
    {"Missing", "", {}, false, {kLenient, kDetect}},
    {"SignatureHonoured",
     "\xEF\xBB\xBF{1}{2}a\n",
     {{kOverride, false}},
     false,
     {kLenient, kDetect, kOverride, kRatio}},
    {"SignatureIgnored",
     "\xEF\xBB\xBF{1}{2}a\n",
     {{kOverride, true}},
     false,
     {kLenient, kDetect, kOverride, kName, kRatio}},
    {"NotText", "\xE9t\xE9", {}, false, {kLenient, kDetect, kOverride, kName}},
    {"Probed", "{1}{2}a\n", {}, true, {kLenient, kDetect, kOverride, kName}},
    {"ProbedMissing", "", {}, true, {kLenient, kDetect}},
};
INSTANTIATE_TEST_SUITE_P(HostSettings, Queries, testing::ValuesIn(queryCases),
                         [](const auto& info) { return std::string(info.param.description); });

struct AnswerCase {
    const char* description;
    std::vector<std::pair<std::string, SettingsContext::Value>> settings;
    ReadingSettings expected;
};

ReadingSettings expect(MicroDVDReading reading, bool detect, bool honour, const char* codePage,
                       std::optional<FrameRate> hostRate) {
    ReadingSettings value;
    value.reading = reading;
    value.encoding.detect = detect;
    value.encoding.honourSignature = honour;
    value.encoding.codePage = String(codePage, charAllocator());
    if (hostRate) value.rate = *hostRate;
    value.rateFromHost = hostRate.has_value();
    return value;
}

// Only an answer of the expected type counts; anything else is no answer.
TEST(HostSettings, TakesOnlyAnswersOfTheirType) {
    using enum MicroDVDReading;
    const AnswerCase cases[] = {
        {"nothing set", {}, expect(Default, false, false, "", std::nullopt)},
        {"all set",
         {{kLenient, true},
          {kDetect, true},
          {kOverride, false},
          {kName, "windows-1250"s},
          {kRatio, SettingsContext::Ratio{1, 25}}},
         expect(Lenient, true, true, "windows-1250", FrameRate{25, 1})},
        {"booleans answered false",
         {{kLenient, false}, {kDetect, false}, {kOverride, true}},
         expect(Default, false, false, "", std::nullopt)},
        {"wrong types",
         {{kLenient, "yes"s},
          {kDetect, SettingsContext::Ratio{1, 1}},
          {kOverride, "no"s},
          {kName, true},
          {kRatio, true}},
         expect(Default, false, false, "", std::nullopt)},
        {"zero in the ratio",
         {{kRatio, SettingsContext::Ratio{0, 25}}},
         expect(Default, false, false, "", std::nullopt)},
        {"ratio is denominator first",
         {{kRatio, SettingsContext::Ratio{1001, 30000}}},
         expect(Default, false, false, "", FrameRate{30000, 1001})},
    };
    for (const AnswerCase& row : cases) {
        SCOPED_TRACE(row.description);
        SettingsContext context;
        for (const auto& [name, value] : row.settings) {
            const auto slash = name.find('/');
            context.setAnyAnswer(name.substr(0, slash), name.substr(slash + 1), value);
        }
        HostSettings settings(&context);
        settings.askEncoding(String("{1}{2}a"));
        settings.askFrameRate();
        const ReadingSettings& got = settings.value();
        EXPECT_EQ(got.reading, row.expected.reading);
        EXPECT_EQ(got.encoding.detect, row.expected.encoding.detect);
        EXPECT_EQ(got.encoding.honourSignature, row.expected.encoding.honourSignature);
        EXPECT_EQ(got.encoding.codePage.text(), row.expected.encoding.codePage.text());
        EXPECT_EQ(got.rate, row.expected.rate);
        EXPECT_EQ(got.rateFromHost, row.expected.rateFromHost);
    }
    // No context: a host that sets nothing.
    HostSettings none(nullptr);
    none.askEncoding(String("x"));
    none.askFrameRate();
    EXPECT_EQ(none.value().rate, FrameRate{});
    EXPECT_FALSE(none.value().rateFromHost);
}

}  // namespace
}  // namespace Tork
