// Charset detection: the run-time binding, and files read with it (stand-ins and system ICU).
#include "tests/platform/TempFolder.h"
#include "tests/support/StandInIcu.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"

#include "platform/LibraryNames.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

using Candidates = std::vector<std::string>;

TEST(UCSDetLibrary, BindsBesideTheConvertersAndShowsAtMost64KiB) {
    EXPECT_FALSE(UCSDetLibrary(Candidates{FAKE_ICU_SUFFIXED}, "_72").usable());
    using LibraryNames::icuLibrary, LibraryNames::sharedLibrary;
    const std::string common = "/opt/" + icuLibrary("icuuc", 72);
    EXPECT_EQ(UCSDetLibrary::candidatesBeside(common),
              (Candidates{"/opt/" + icuLibrary("icui18n", 72), common}));
    EXPECT_EQ(UCSDetLibrary::candidatesBeside(sharedLibrary("icuuc")),
              (Candidates{sharedLibrary("icui18n"), sharedLibrary("icuuc")}));
    // A library without the functions under that suffix is passed over.
    const UCSDetLibrary library(Candidates{FAKE_ICU_PARTIAL, FAKE_ICU_SUFFIXED}, "_99");
    const auto found = library.detect("fake-latin1\n" + std::string(100000, 'x'));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "fake-latin1");
    EXPECT_EQ(found->confidence, 64);  // the KiB shown
    for (const char* nothing : {"none\n", "error\n", ""}) EXPECT_FALSE(library.detect(nothing));
}

// What readTextFile makes of a file of `bytes`, with detection.
std::optional<std::string> read(std::string_view bytes, const UCSDetLibrary& detector,
                                std::int32_t size = ParserUtilities::kWholeFile,
                                const UCNVLibrary* converters = nullptr) {
    static const UCNVLibrary fake(Candidates{FAKE_ICU_SUFFIXED});
    static const Testing::TempFolder folder;
    String out;
    ParserUtilities::EncodingSettings settings;
    settings.detect = true;
    if (!ParserUtilities::readTextFile(String(folder.write("f.sub", bytes)), settings, &out, size,
                                       ParserUtilities::ReadSize::AtMost,
                                       converters ? converters : &fake, &detector))
        return std::nullopt;
    return std::string(out.bytes());
}

// The stand-in detector names what each file's first line says.
TEST(UCSDetLibrary, ConvertsOnlyTextThatIsNotUtf8) {
    const UCSDetLibrary detector(Candidates{FAKE_ICU_SUFFIXED}, "_99");
    EXPECT_EQ(read("fake-latin1\nt\xEA", detector), "fake-latin1\nt\xC3\xAA");
    EXPECT_EQ(read("ISO-8859-1\n\xE9", detector), "ISO-8859-1\n\xC3\xA9");  // as windows-1252
    // Left as UTF-8, with U+FFFD where needed: UTF-8, UTF-8 with a stray byte, a cut
    // character at the end of a partial read, no match, a name ICU refuses, no i18n library.
    EXPECT_EQ(read("no-such\n\xC3\xA9", detector), "no-such\n\xC3\xA9");
    EXPECT_EQ(read("no-such\n\xC3\xA9\xC3\xA9\xE9", detector),
              "no-such\n\xC3\xA9\xC3\xA9\xEF\xBF\xBD");
    EXPECT_EQ(read("no-such\n\xC3\xA9", detector, 9), "no-such\n\xEF\xBF\xBD");
    EXPECT_EQ(read("none\n\xE9", detector), "none\n\xEF\xBF\xBD");
    EXPECT_EQ(read("no-such\n\xE9", detector), "no-such\n\xEF\xBF\xBD");
    EXPECT_EQ(read("fake-latin1\n\xE9", UCSDetLibrary(Candidates{}, "_99")),
              "fake-latin1\n\xEF\xBF\xBD");
}

// The decoding says what it settled on: the detector's guess with its confidence, or UTF-8
// with the count of U+FFFD put in when the guess is not taken.
TEST(UCSDetLibrary, DecodingReportsTheGuess) {
    static const UCNVLibrary fake(Candidates{FAKE_ICU_SUFFIXED});
    const UCSDetLibrary detector(Candidates{FAKE_ICU_SUFFIXED}, "_99");
    ParserUtilities::EncodingSettings settings;
    settings.detect = true;
    const auto decode = [&](std::string_view bytes) {
        String raw(std::string(bytes).c_str());
        String out;
        ParserUtilities::DecodeReport report;
        EXPECT_TRUE(
            ParserUtilities::decodeFileText(raw, false, settings, &out, &fake, &detector, &report));
        return report;
    };
    const auto guessed = decode("fake-latin1\nt\xEA");
    EXPECT_EQ(guessed.source, ParserUtilities::DecodeReport::Source::Detected);
    EXPECT_EQ(guessed.encoding, "fake-latin1");
    EXPECT_EQ(guessed.confidence, 0);  // the KiB shown
    const auto refused = decode("no-such\n\xE9x\xE9");
    EXPECT_EQ(refused.source, ParserUtilities::DecodeReport::Source::Default);
    EXPECT_EQ(refused.encoding, "UTF-8");
    EXPECT_EQ(refused.confidence, -1);
    EXPECT_EQ(refused.replacements, 2u);
}

// Subtitles made from UTF-8 by the system's converters come back as they were written.
std::string encode(const char* name, std::string_view utf8) {
    const UCNVLibrary& icu = *UCNVLibrary::instance();
    const std::u16string wide = utf8ToWide(utf8);
    std::string bytes(wide.size() * 4, '\0');
    char* target = bytes.data();
    const char16_t* source = wide.data();
    IcuConverter* converter = icu.open(name, nullptr);
    icu.fromUnicode(converter, &target, target + bytes.size(), &source, source + wide.size(),
                    nullptr, /*flush*/ true, nullptr);
    icu.close(converter);
    return bytes.substr(0, static_cast<std::size_t>(target - bytes.data()));
}

TEST(UCSDetLibrary, SystemIcuTellsLegacyEncodingsApart) {
    const UCSDetLibrary* detector = UCSDetLibrary::instance();
    if (!detector || !detector->usable()) GTEST_SKIP() << "no ICU i18n library on this system";
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "a stand-in for ICU";
    const std::pair<const char*, const char*> samples[] = {
        {"windows-1250",
         "{1}{50}Zażółć gęślą jaźń, powiedział kierowca. Śmiało! Już się ściemnia."},
        {"windows-1251", "{1}{50}Где ты был всю ночь? Мы тебя искали по всему городу."},
        {"KOI8-R", "{1}{50}Почему ты молчишь? Скажи хоть что-нибудь, прошу тебя."},
        {"windows-1252", "{1}{50}Où est passé le garçon qui était là hier? Ça ne m’étonne pas."},
    };
    for (const auto& [encoding, text] : samples) {
        EXPECT_EQ(read(encode(encoding, text), *detector, ParserUtilities::kWholeFile,
                       UCNVLibrary::instance()),
                  text)
            << encoding;
    }
}

}  // namespace
}  // namespace Tork
