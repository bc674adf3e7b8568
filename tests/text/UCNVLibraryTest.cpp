// The run-time ICU binding against stand-in libraries and the system's ICU.
#include "text/Conversion.h"
#include "text/UCNVLibrary.h"

#include "platform/LibraryNames.h"

#include "tests/support/StandInIcu.h"

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace Tork {
namespace {

using namespace std::string_literals;

// Counters of one stand-in library, reached through the same loaded copy.
struct FakeIcu {
    explicit FakeIcu(const char* path) : library(path) {}
    int call(const char* name) const {
        auto function = reinterpret_cast<int (*)()>(library.symbol(name));
        return function ? function() : -1;
    }
    int openConverters() const { return call("fakeIcuOpenConverters"); }
    int openCalls() const { return call("fakeIcuOpenCalls"); }
    int nullNames() const { return call("fakeIcuNullNames"); }
    int largestTarget() const { return call("fakeIcuLargestTarget"); }
    DynamicLibrary library;
};

struct BindingCase {
    const char* description;
    std::vector<std::string> candidates;
    const char* boundTo;  // null: nothing usable
};
// Listed by name, not as raw bytes.
void PrintTo(const BindingCase& c, std::ostream* out) {
    *out << c.description;
}

class Binding : public testing::TestWithParam<BindingCase> {};

TEST_P(Binding, TakesTheFirstCompleteLibrary) {
    const BindingCase& row = GetParam();
    const UCNVLibrary library(row.candidates);
    ASSERT_EQ(library.usable(), row.boundTo != nullptr);
    std::int32_t status = 0;
    IcuConverter* converter = library.open("fake-latin1", &status);
    if (!row.boundTo) {
        EXPECT_EQ(converter, nullptr);
        EXPECT_EQ(status, UCNVLibrary::kUnusable);
        for (auto* convert :
             {+[](const UCNVLibrary&l, std::int32_t*s) {
                  l.toUnicode(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true, s);
              },
              +[](const UCNVLibrary&l, std::int32_t*s) {
                  l.fromUnicode(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true, s);
              }}) {
            status = 0;
            convert(library, &status);
            EXPECT_EQ(status, UCNVLibrary::kUnusable);
        }
        EXPECT_EQ(convertToUTF8("fake-latin1", "abc", &library), "");
        return;
    }
    const FakeIcu bound(row.boundTo);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(bound.openConverters(), 1);
    library.close(converter);
    EXPECT_EQ(bound.openConverters(), 0);
}

const BindingCase bindingCases[] = {
    {"NothingLoadable", {"libtork-no-such-icu.so.72", "/nonexistent/libicuuc.so"}, nullptr},
    {"AFunctionMissingCountsAsAbsent", {FAKE_ICU_PARTIAL}, nullptr},
    {"AnIncompleteLibraryIsPassedOver", {FAKE_ICU_PARTIAL, FAKE_ICU_SUFFIXED}, FAKE_ICU_SUFFIXED},
    {"SuffixFromTheFileName", {"libtork-no-such-icu.so.72", FAKE_ICU_SUFFIXED}, FAKE_ICU_SUFFIXED},
    {"PlainNamesAfterTheSuffixed", {FAKE_ICU_PLAIN}, FAKE_ICU_PLAIN},
    {"BareFileNameTriesEveryVersion", {FAKE_ICU_UNVERSIONED}, FAKE_ICU_UNVERSIONED},
    {"BeforeIcu49MajorAndMinor", {FAKE_ICU_OLD}, FAKE_ICU_OLD},
};
INSTANTIATE_TEST_SUITE_P(UCNVLibrary, Binding, testing::ValuesIn(bindingCases),
                         [](const auto& info) { return std::string(info.param.description); });

struct StatusCase {
    const char* description;
    const char* converterName;
    std::string expected;  // empty: the conversion fails
};
// Listed by name, not as raw bytes.
void PrintTo(const StatusCase& c, std::ostream* out) {
    *out << c.description;
}

class OpenStatus : public testing::TestWithParam<StatusCase> {};

// Converts "café" from Latin-1 through the stand-in; every converter must be closed again.
TEST_P(OpenStatus, OnlyAPositiveStatusFails) {
    const StatusCase& row = GetParam();
    const std::vector<std::string> candidates{FAKE_ICU_SUFFIXED};
    const UCNVLibrary library(candidates);
    const FakeIcu fake(FAKE_ICU_SUFFIXED);
    EXPECT_EQ(convertToUTF8(row.converterName, "caf\xE9", &library), row.expected);
    EXPECT_EQ(fake.openConverters(), 0);
    EXPECT_EQ(fake.nullNames(), 0);
}

const StatusCase statusCases[] = {
    {"Clean", "fake-latin1", "caf\xC3\xA9"},
    {"Warning", "fake-warning", "caf\xC3\xA9"},
    {"ErrorWithAConverter", "fake-error", ""},
    {"CalledAgainWithoutMoving", "fake-stuck", ""},  // once asked forever
    {"UnknownName", "no-such-encoding", ""},
    {"EmptyName", "", ""},
    {"NullName", nullptr, ""},
};
INSTANTIATE_TEST_SUITE_P(UCNVLibrary, OpenStatus, testing::ValuesIn(statusCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(UCNVLibrary, NeverOpensAConverterForNothingToConvert) {
    const std::vector<std::string> candidates{FAKE_ICU_SUFFIXED};
    const UCNVLibrary library(candidates);
    const FakeIcu fake(FAKE_ICU_SUFFIXED);
    const int before = fake.openCalls();
    EXPECT_EQ(convertToUTF8("fake-latin1", "", &library), "");
    EXPECT_EQ(convertToUTF8("fake-latin1", std::string_view(), &library), "");
    // Too long to size a buffer for: refused before a byte is read.
    const char byte = 'a';
    EXPECT_EQ(convertToUTF8("fake-latin1", std::string_view(&byte, std::size_t{1} << 31), &library),
              "");
    EXPECT_EQ(fake.openCalls(), before);
}

// A whole file's UTF-16 is never held: the converters work through bounded pieces.
TEST(UCNVLibrary, ConvertsInBoundedPieces) {
    const UCNVLibrary library(std::vector<std::string>{FAKE_ICU_SUFFIXED});
    const FakeIcu fake(FAKE_ICU_SUFFIXED);
    String text;
    ASSERT_TRUE(
        convertTextToUTF8("fake-latin1", std::string(1 << 20, '\xE9') + "\0cut"s, text, &library));
    EXPECT_EQ(text.length(), (2u << 20) + 4);  // é in two bytes, the zero kept
    EXPECT_LE(fake.largestTarget(), 64 * 1024);
}

// Absence is covered by the stand-ins; these need the system's ICU (Debian: libicu72).
bool systemIcuPresent() {
    const UCNVLibrary* library = UCNVLibrary::instance();
    return library && library->usable();
}

TEST(SystemIcu, IsFoundAndOpensEverySignatureEncoding) {
    if (!systemIcuPresent()) GTEST_SKIP() << "no ICU on this system";
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "a stand-in for ICU";
    const UCNVLibrary* library = UCNVLibrary::instance();
    for (const char* name : {"UTF32-BE", "UTF32-LE", "UTF16-BE", "UTF16-LE", "UTF8", "UTF7", "SCSU",
                             "BOCU-1", "GB-18030", "windows-1250"}) {
        SCOPED_TRACE(name);
        std::int32_t status = 0;
        IcuConverter* converter = library->open(name, &status);
        EXPECT_NE(converter, nullptr);
        EXPECT_LE(status, 0);
        library->close(converter);
    }
}

// The versions are listed, not guessed: every versioned name tried is one installed, newest
// first, and the library bound is among them.
TEST(SystemIcu, IsLookedForOnlyUnderInstalledVersions) {
    if (!systemIcuPresent()) GTEST_SKIP() << "no ICU on this system";
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "a stand-in for ICU";
    const auto installed = LibraryNames::installedIcuVersions("icuuc");
    if (!installed) GTEST_SKIP() << "this system does not list its libraries";
    EXPECT_TRUE(std::is_sorted(installed->begin(), installed->end(), std::greater<>()));
    EXPECT_EQ(std::adjacent_find(installed->begin(), installed->end()), installed->end());
    std::vector<int> tried;
    for (const std::string& name : UCNVLibrary::systemCandidates())
        if (const auto version = LibraryNames::icuVersion(name)) tried.push_back(*version);
    EXPECT_EQ(tried, *installed);
    const auto bound = LibraryNames::icuVersion(UCNVLibrary::instance()->boundCandidate());
    ASSERT_TRUE(bound.has_value());
    EXPECT_NE(std::find(installed->begin(), installed->end(), *bound), installed->end());
}

struct ConversionCase {
    const char* description;
    const char* converterName;
    std::string input;
    std::string expected;
};
// Listed by name, not as raw bytes.
void PrintTo(const ConversionCase& c, std::ostream* out) {
    *out << c.description;
}

class SystemConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(SystemConversion, GivesUtf8) {
    if (!systemIcuPresent()) GTEST_SKIP() << "no ICU on this system";
    const ConversionCase& row = GetParam();
    EXPECT_EQ(convertToUTF8(row.converterName, row.input), row.expected);
}

const ConversionCase conversionCases[] = {
    {"Utf16Le", "UTF16-LE", "A\0B\0"s, "AB"},
    {"Utf16Be", "UTF16-BE", "\0A\0B"s, "AB"},
    {"Utf32Le", "UTF32-LE", "A\0\0\0"s, "A"},
    {"Latin1", "ISO-8859-1", "\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
    {"Windows1250OpensWithAWarning", "windows-1250", "\x8A", "\xC5\xA0"},
    {"ZerosKept", "UTF16-LE", "A\0\0\0B\0"s, "A\0B"s},
    {"UnknownConverter", "no-such-encoding", "abc", ""},
    {"NothingToConvert", "UTF16-LE", "", ""},
};
INSTANTIATE_TEST_SUITE_P(UCNVLibrary, SystemConversion, testing::ValuesIn(conversionCases),
                         [](const auto& info) { return std::string(info.param.description); });

// Well-formed UTF-16 is converted without ICU's pieces, the rest by ICU: either way the
// text is what ICU's conversion gives, zeros kept, and none when it begins with one. Units
// from every range (a signature's too), surrogates paired and not, zeros and odd lengths,
// in both orders.
TEST(SystemIcu, Utf16TextsComeOutAsIcuConvertsThem) {
    if (!systemIcuPresent()) GTEST_SKIP() << "no ICU on this system";
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "a stand-in for ICU";
    const char16_t units[] = {u'a',   u'\n',  0x7F,   0x80,   0x7FF,  0x800,  0xFEFF, 0xFFFF,
                              0xD7FF, 0xE000, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0};
    std::mt19937 random(1250);
    for (int round = 0; round < 20000; ++round) {
        const bool bigEndian = round % 2 != 0;
        std::string bytes;
        const std::size_t length = random() % 40;
        for (std::size_t i = 0; i < length; ++i) {
            // Mostly well-formed: a pair in one go, and zeros in a fifth of the texts.
            // Every fourth text ASCII but for zeros: runs of it are converted 4 or 8 at a time.
            const std::size_t choices = round % 4 == 0 ? 3 : std::size(units) - 1;
            char16_t unit = round % 5 == 0 && random() % 8 == 0 ? 0 : units[random() % choices];
            if (round % 3 && unit >= 0xD800 && unit <= 0xDFFF) {
                const char16_t pair[] = {static_cast<char16_t>(0xD800 + random() % 0x400),
                                         static_cast<char16_t>(0xDC00 + random() % 0x400)};
                for (const char16_t half : pair)
                    bytes += bigEndian ? std::string{static_cast<char>(half >> 8),
                                                     static_cast<char>(half & 0xFF)}
                                       : std::string{static_cast<char>(half & 0xFF),
                                                     static_cast<char>(half >> 8)};
                continue;
            }
            bytes +=
                bigEndian
                    ? std::string{static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)}
                    : std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        }
        if (round % 7 == 0) bytes += 'x';  // a stray byte at the end
        const char* name = bigEndian ? "UTF16-BE" : "UTF16-LE";
        const std::string expected = convertToUTF8(name, bytes);
        String text;
        const bool converted = convertTextToUTF8(name, bytes, text);
        ASSERT_EQ(converted, !expected.empty() && expected.front() != '\0')
            << testing::PrintToString(bytes);
        if (converted) {
            ASSERT_EQ(text.bytes(), expected) << testing::PrintToString(bytes);
        }
    }
}

TEST(SystemIcu, IsBoundOnceWhenThreadsRaceToIt) {
    std::vector<std::thread> threads;
    std::vector<const UCNVLibrary*> seen(8);
    std::atomic<int> converted{0};
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] {
            seen[i] = UCNVLibrary::instance();
            if (convertToUTF8("UTF16-LE", "h\0i\0"s) == "hi") ++converted;
        });
    for (auto& thread : threads) thread.join();
    for (const UCNVLibrary* library : seen) EXPECT_EQ(library, seen[0]);
    EXPECT_EQ(converted, systemIcuPresent() ? 8 : 0);
}

}  // namespace
}  // namespace Tork
