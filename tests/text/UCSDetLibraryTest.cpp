// Charset detection: the run-time binding, and files read with it (stand-ins and system ICU).
#include "tests/platform/TempFolder.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

using Candidates = std::vector<std::string>;

TEST(UCSDetLibrary, BindsBesideTheConvertersAndShowsAtMost64KiB) {
    EXPECT_FALSE(UCSDetLibrary(Candidates{FAKE_ICU_DETECTOR}, "_72").usable());
    EXPECT_EQ(UCSDetLibrary::candidatesBeside("/opt/libicuuc.so.72.1"),
              Candidates{"/opt/libicui18n.so.72"});
    EXPECT_EQ(UCSDetLibrary::candidatesBeside("libicuuc.so"), Candidates{"libicui18n.so"});
    // The converters' stand-in has no detector: passed over.
    const UCSDetLibrary library(Candidates{FAKE_ICU_SUFFIXED, FAKE_ICU_DETECTOR}, "_99");
    const auto found = library.detect("fake-latin1\n" + std::string(100000, 'x'));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "fake-latin1");
    EXPECT_EQ(found->confidence, 64);  // the KiB shown
    for (const char* nothing : {"none\n", "error\n", ""}) EXPECT_FALSE(library.detect(nothing));
}

std::optional<std::string> read(const std::string& path, const UCSDetLibrary& detector,
                                std::int32_t size = ParserUtilities::kWholeFile) {
    static const UCNVLibrary converters(Candidates{FAKE_ICU_SUFFIXED});
    String out;
    if (!ParserUtilities::readTextFile(String(path), nullptr, &out, size,
                                       ParserUtilities::ReadSize::AtMost, &converters, &detector))
        return std::nullopt;
    return std::string(out.bytes());
}

// The stand-in detector names what each file's first line says.
TEST(UCSDetLibrary, ConvertsOnlyTextThatIsNotUtf8) {
    const UCSDetLibrary detector(Candidates{FAKE_ICU_DETECTOR}, "_99");
    const UCSDetLibrary withoutI18n(Candidates{}, "_99");
    const Testing::TempFolder folder;
    const auto file = [&](std::string_view text) { return folder.write("f.sub", text); };
    EXPECT_EQ(read(file("fake-latin1\nt\xEA"), detector), "fake-latin1\nt\xC3\xAA");
    EXPECT_EQ(read(file("ISO-8859-1\n\xE9"), detector), "ISO-8859-1\n\xC3\xA9");  // as 1252
    // Left as UTF-8, with U+FFFD where needed: UTF-8, UTF-8 with a stray byte, a cut
    // character at the end of a partial read, no match, a name ICU refuses, no i18n library.
    EXPECT_EQ(read(file("no-such\n\xC3\xA9"), detector), "no-such\n\xC3\xA9");
    EXPECT_EQ(read(file("no-such\n\xC3\xA9\xC3\xA9\xE9"), detector),
              "no-such\n\xC3\xA9\xC3\xA9\xEF\xBF\xBD");
    EXPECT_EQ(read(file("no-such\n\xC3\xA9"), detector, 9), "no-such\n\xEF\xBF\xBD");
    EXPECT_EQ(read(file("none\n\xE9"), detector), "none\n\xEF\xBF\xBD");
    EXPECT_EQ(read(file("no-such\n\xE9"), detector), "no-such\n\xEF\xBF\xBD");
    EXPECT_EQ(read(file("fake-latin1\n\xE9"), withoutI18n), "fake-latin1\n\xEF\xBF\xBD");
}

// Subtitles made from UTF-8 by the system's converters come back as they were written.
std::string encode(const char* name, std::string_view utf8) {
    const UCNVLibrary& icu = *UCNVLibrary::instance();
    const std::u16string wide = utf8ToWide(utf8);
    std::int32_t status = 0;
    IcuConverter* converter = icu.open(name, &status);
    std::string bytes(wide.size() * 4, '\0');
    char* target = bytes.data();
    const char16_t* source = wide.data();
    icu.fromUnicode(converter, &target, bytes.data() + bytes.size(), &source, source + wide.size(),
                    nullptr, /*flush*/ true, &status);
    icu.close(converter);
    bytes.resize(static_cast<std::size_t>(target - bytes.data()));
    return bytes;
}

TEST(UCSDetLibrary, SystemIcuTellsLegacyEncodingsApart) {
    const UCSDetLibrary* detector = UCSDetLibrary::instance();
    if (!detector || !detector->usable()) GTEST_SKIP() << "no ICU i18n library on this system";
    const std::pair<const char*, const char*> samples[] = {
        {"windows-1250",
         "{1}{50}Zażółć gęślą jaźń, powiedział kierowca. Śmiało! Już się ściemnia."},
        {"windows-1251", "{1}{50}Где ты был всю ночь? Мы тебя искали по всему городу."},
        {"KOI8-R", "{1}{50}Почему ты молчишь? Скажи хоть что-нибудь, прошу тебя."},
        {"windows-1252", "{1}{50}Où est passé le garçon qui était là hier? Ça ne m’étonne pas."},
    };
    const Testing::TempFolder folder;
    for (const auto& [encoding, text] : samples) {
        SCOPED_TRACE(encoding);
        String out;
        ASSERT_TRUE(ParserUtilities::readTextFile(
            String(folder.write("f.sub", encode(encoding, text))), nullptr, &out,
            ParserUtilities::kWholeFile, ParserUtilities::ReadSize::Exact, UCNVLibrary::instance(),
            detector));
        EXPECT_EQ(out.bytes(), text);
    }
}

}  // namespace
}  // namespace Tork
