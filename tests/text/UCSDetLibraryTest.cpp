// Charset detection: the run-time binding, and files read with it (stand-ins and system ICU).
#include "tests/support/StandInIcu.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Utf16Bytes.h"
#include "text/CharsetDetection.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"

#include "platform/LibraryNames.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

using namespace std::string_literals;
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
    const auto found = library.detect("fake-latin1,ISO-8859-2 3\n" + std::string(100000, 'x'));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "fake-latin1");
    EXPECT_EQ(found[0].confidence, 64);  // the KiB shown
    EXPECT_EQ(found[1].name, "ISO-8859-2");
    EXPECT_EQ(found[1].confidence, 3);
    for (const char* nothing : {"none\n", "error\n", ""})
        EXPECT_TRUE(library.detect(nothing).empty());
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

struct DetectionCase {
    const char* description;
    std::string bytes;  // the stand-in detector's matches on the first line it is shown
    std::string read;
};

TEST(UCSDetLibrary, ConvertsOnlyTextThatIsNotUtf8) {
    const UCSDetLibrary detector(Candidates{FAKE_ICU_SUFFIXED}, "_99");
    const DetectionCase cases[] = {
        {"converted", "fake-latin1 50 t\xEA", "fake-latin1 50 t\xC3\xAA"},
        {"shown only the lines beyond ASCII", "plain\nfake-latin1 50 t\xEA",
         "plain\nfake-latin1 50 t\xC3\xAA"},
        {"ISO-8859-1 as windows-1252", "ISO-8859-1 50 \xE9", "ISO-8859-1 50 \xC3\xA9"},
        // Left as UTF-8, with U+FFFD where needed.
        {"UTF-8", "no-such 50 \xC3\xA9", "no-such 50 \xC3\xA9"},
        {"UTF-8, a stray byte", "no-such 50 \xC3\xA9\xC3\xA9\xE9",
         "no-such 50 \xC3\xA9\xC3\xA9\xEF\xBF\xBD"},
        {"no match", "none \xE9", "none \xEF\xBF\xBD"},
        {"a name ICU refuses", "no-such 50 \xE9", "no-such 50 \xEF\xBF\xBD"},
        {"below the floor", "fake-latin1 10 \xE9", "fake-latin1 10 \xEF\xBF\xBD"},
        // {1}{50}\xA9 2004 was read as UTF-16BE at 10 and failed.
        {"UTF-16 for text without zero bytes", "UTF-16BE 90,UTF-32LE 80 \xA9 2004",
         "UTF-16BE 90,UTF-32LE 80 \xEF\xBF\xBD 2004"},
        {"passed over for the next", "UTF-16LE 90,fake-latin1 20 \xE9",
         "UTF-16LE 90,fake-latin1 20 \xC3\xA9"},
        {"UTF-16 for text with zero bytes", std::string("UTF-16LE 50\n\xE9\0", 14),
         wideToUtf8(u"\u5455\u2D46\u3631\u454C\u3520\u0A30\u00E9")},
        // Nothing settled, and only punctuation that every windows-125x shares: windows-1252
        // (Latin-1 in the stand-in).
        {"punctuation only, nothing detected", "none Well\x85there, \x93yes\x94",
         "none Well\xC2\x85there, \xC2\x93yes\xC2\x94"},
        {"punctuation only, below the floor", "fake-latin1 10 It\x92s",
         "fake-latin1 10 It\xC2\x92s"},
        {"punctuation and a letter", "none \x85\xE9", "none \xEF\xBF\xBD\xEF\xBF\xBD"},
        {"the euro sign is not shared", "none 5\x80", "none 5\xEF\xBF\xBD"},
    };
    for (const DetectionCase& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(read(c.bytes, detector), c.read);
    }
    EXPECT_EQ(read("no-such 50 \xC3\xA9", detector, 12), "no-such 50 \xEF\xBF\xBD")
        << "a character cut by a partial read";
    EXPECT_EQ(read("fake-latin1 50 \xE9", UCSDetLibrary(Candidates{}, "_99")),
              "fake-latin1 50 \xEF\xBF\xBD")
        << "no i18n library";
}

// The decoding says what it settled on: the detector's guess with its confidence and score,
// the fallback, or UTF-8 with the count of U+FFFD put in when the guess is not taken and what
// the bytes look like instead.
TEST(UCSDetLibrary, DecodingReportsTheGuess) {
    static const UCNVLibrary fake(Candidates{FAKE_ICU_SUFFIXED});
    const UCSDetLibrary detector(Candidates{FAKE_ICU_SUFFIXED}, "_99");
    using Source = ParserUtilities::DecodeReport::Source;
    struct Row {
        const char* description;
        std::string bytes;
        bool detect;
        Source source;
        std::string encoding;
        std::int32_t confidence, score;
        std::size_t replacements;
        std::string likelyEncoding;
    };
    const std::u16string frames = u"{1}{25}Hi\r\n{30}{50}\u017Bona\r\n";
    const Row rows[] = {
        {"guessed", "fake-latin1 50 t\xEA", true, Source::Detected, "fake-latin1", 50, 50, 0, ""},
        {"refused", "no-such \xE9x\xE9", true, Source::Default, "UTF-8", -1, -1, 2, ""},
        {"punctuation only", "none It\x92s", true, Source::Fallback, "windows-1252", -1, -1, 0, ""},
        {"UTF-16LE, not read", Testing::utf16Bytes(frames, false), false, Source::Default, "UTF-8",
         -1, -1, 0, "UTF-16LE"},
        {"UTF-16BE, not read", Testing::utf16Bytes(frames, true), false, Source::Default, "UTF-8",
         -1, -1, 0, "UTF-16BE"},
        {"UTF-16LE, read", Testing::utf16Bytes(frames, false), true, Source::Detected, "UTF-16LE",
         100, 100, 0, ""},
        {"a zero in UTF-8", "{1}{25}Hi\0there"s, true, Source::Default, "UTF-8", -1, -1, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        ParserUtilities::EncodingSettings settings;
        settings.detect = row.detect;
        String raw(row.bytes.data(), static_cast<std::uint32_t>(row.bytes.size()));
        String out;
        ParserUtilities::DecodeReport report;
        ASSERT_TRUE(
            ParserUtilities::decodeFileText(raw, false, settings, &out, &fake, &detector, &report));
        EXPECT_EQ(report.source, row.source);
        EXPECT_EQ(report.encoding, row.encoding);
        EXPECT_EQ(report.confidence, row.confidence);
        EXPECT_EQ(report.score, row.score);
        EXPECT_EQ(report.replacements, row.replacements);
        EXPECT_EQ(report.likelyEncoding, row.likelyEncoding);
    }
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

struct Sample {
    const char* encoding;  // written in
    const char* detected;  // what detection names
    const char* text;
};

// Short samples of the languages each encoding is written in; detection must name the
// encoding (or ICU's name for its sibling) and the file must read back as written.
TEST(UCSDetLibrary, SystemIcuTellsLegacyEncodingsApart) {
    const UCSDetLibrary* detector = UCSDetLibrary::instance();
    if (!detector || !detector->usable()) GTEST_SKIP() << "no ICU i18n library on this system";
    if (Testing::icuIsAStandIn()) GTEST_SKIP() << "a stand-in for ICU";
    const Sample samples[] = {
        {"windows-1250", "windows-1250",
         "{1}{50}Zażółć gęślą jaźń, powiedział kierowca. Śmiało! Już się ściemnia."},
        {"ISO-8859-2", "ISO-8859-2", "{1}{50}Zażółć gęślą jaźń, powiedział kierowca."},
        // Read as windows-1252 at 31 against windows-1250 at 27 before letters counted.
        {"windows-1250", "windows-1250",
         "{1}{1}25\n{25}{100}Maják zhasl ve čtvrt na deset.\n{110}{190}/Někdo musí vyjít po "
         "schodech.\n{200}{280}{Y:b}Já ne.|Šel jsem včera.\n{290}{370}Přines kanystr s "
         "olejem.\n{380}{460}{c:$00FF00}Olej došel v březnu, řekl žák.\n"},
        {"windows-1251", "windows-1251",
         "{1}{50}Где ты был всю ночь? Мы тебя искали по всему городу."},
        {"KOI8-R", "KOI8-R", "{1}{50}Почему ты молчишь? Скажи хоть что-нибудь, прошу тебя."},
        {"windows-1252", "windows-1252",
         "{1}{50}Où est passé le garçon qui était là hier? Ça ne m’étonne pas."},
        {"windows-1252", "ISO-8859-1", "{1}{50}Größere Häuser über der Straße, sagte der Müller."},
        {"ISO-8859-7", "ISO-8859-7", "{1}{50}Πού ήσουν όλη τη νύχτα; Σε ψάχναμε σε όλη την πόλη."},
        {"windows-1253", "ISO-8859-7",
         "{1}{50}Πού ήσουν όλη τη νύχτα; Σε ψάχναμε σε όλη την πόλη."},
        {"windows-1250", "windows-1250", "{1}{50}Kôň sa pásol na lúke, ďaleko od mäsiara. Čo už?"},
        // Hungarian's letters lie alike in both.
        {"windows-1250", "ISO-8859-2", "{1}{50}Árvíztűrő tükörfúrógép, mondta a fiú. Ő nem tudja."},
        {"windows-1250", "windows-1250", "{1}{50}Čovjek je došao kući. Šta ćeš? Đak je žedan."},
        {"windows-1251", "windows-1251",
         "{1}{50}Къде беше цяла нощ? Търсихме те навсякъде в града."},
        {"windows-1254", "ISO-8859-9",
         "{1}{50}Nereye gittin? Seni her yerde aradık, çocuğum. Şimdi gel."},
        {"windows-1252", "ISO-8859-1",
         "{1}{50}¿Dónde estás? Te buscábamos por todas partes, niño."},
        {"windows-1252", "ISO-8859-1", "{1}{50}Você não está sozinho, disse a avó. Ação já!"},
        {"windows-1252", "ISO-8859-1",
         "{1}{50}Vad gör du här? Jag söker min hund, sa pojken på ön."},
        {"windows-1252", "ISO-8859-1", "{1}{50}Perché non sei venuto? È già tardi, però."},
        // "Ά" is "’" in ISO-8859-7, which ICU names for text without bytes 0x80-0x9F.
        {"windows-1253", "windows-1253", "{1}{50}Άντε, πάμε σπίτι. Έχει αργήσει πολύ."},
        {"windows-1255", "ISO-8859-8-I", "{1}{50}איפה היית כל הלילה? חיפשנו אותך בכל העיר."},
        {"windows-1256", "windows-1256", "{1}{50}أين كنت طوال الليل؟ بحثنا عنك في كل مكان."},
        {"Shift_JIS", "Shift_JIS", "{1}{50}どこにいたの？一晩中探していたんだよ。"},
        // ICU names Hebrew at 14, whose reading leaves half the bytes unmapped.
        {"ISO-8859-5", nullptr, "{1}{50}Где ты был всю ночь? Мы тебя искали."},
    };
    for (const auto& [encoding, detected, text] : samples) {
        SCOPED_TRACE(std::string(encoding) + ": " + text);
        const std::string bytes = encode(encoding, text);
        const auto choice = detectCharset(bytes, *detector, UCNVLibrary::instance());
        if (!detected) {
            EXPECT_FALSE(choice) << choice->name;
            continue;
        }
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->name, detected);
        EXPECT_EQ(read(bytes, *detector, ParserUtilities::kWholeFile, UCNVLibrary::instance()),
                  text);
    }
}

}  // namespace
}  // namespace Tork
