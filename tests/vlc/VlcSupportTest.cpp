// The VLC module's pieces alone: the mark-up VLC's text decoder gets, one row per rule, the
// film's frame rate as the ratio the plug-in takes, and the track's language.
#include "vlc/FilmRate.h"
#include "vlc/TrackLanguage.h"
#include "vlc/VlcMarkup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace {

using Tork::Vlc::FrameRatio;

const std::string kJoiner = "\xE2\x81\xA0";  // U+2060, drawn as nothing

struct MarkupCase {
    const char* description;
    std::string input;
    std::string vlc;
};

class VlcMarkupTest : public testing::TestWithParam<MarkupCase> {};

TEST_P(VlcMarkupTest, Converts) {
    EXPECT_EQ(Tork::Vlc::toVlcMarkup(GetParam().input), GetParam().vlc);
}

const MarkupCase markupCases[] = {
    {"plain", "The lamp went out.", "The lamp went out."},
    {"lines", "one\ntwo", "one\ntwo"},
    {"styles", "<i>a</i><b>b</b><u>c</u><s>d</s>", "<i>a</i><b>b</b><u>c</u><s>d</s>"},
    {"closed_in_upper_case", "<b>Nie ja.</B>\nWchodziłem", "<b>Nie ja.</b>\nWchodziłem"},
    {"colour", "<font color=\"#00FF00\">x</font>", "<font color=\"#00FF00\">x</font>"},
    {"face", "<font face=\"Times New Roman\">x</font>", "<font face=\"Times New Roman\">x</font>"},
    {"size", "<font size=\"22\">x</font>", "<font size=\"22\">x</font>"},
    {"nested_fonts", "<font face=\"A\"><font size=\"10\">x</font></font>",
     "<font face=\"A\"><font size=\"10\">x</font></font>"},
    // What the decoder cannot take leaves a plain <font>, so the closing tag still pairs.
    {"colour_not_hexadecimal", "<font color=\"#GG0000\">x</font>", "<font>x</font>"},
    {"size_zero", "<font size=\"0\">x</font>", "<font>x</font>"},
    {"size_too_large", "<font size=\"1001\">x</font>", "<font>x</font>"},
    // The decoder reads the size with atoi(), which overflows.
    {"size_overflowing", "<font size=\"99999999999999999999\">x</font>", "<font>x</font>"},
    // A face's quotes: the plug-in escapes them; the decoder ends the value at its quote.
    {"face_with_double_quote", "<font face=\"O&quot;Neil\">x</font>",
     "<font face='O\"Neil'>x</font>"},
    {"face_with_both_quotes", "<font face=\"a&quot;b&apos;c\">x</font>", "<font>x</font>"},
    {"face_with_tag_characters", "<font face=\"a&lt;b&amp;c\">x</font>",
     "<font face=\"a<b&c\">x</font>"},
    {"unclosed", "<i>x", "<i>x</i>"},
    {"crossed", "<i><b>x</i>y</b>", "<i><b>x</b></i>y<" + kJoiner + "/b>"},
    // The decoder knows no entities: text stays as it is.
    {"ampersand", "Bread & matches &amp; more", "Bread & matches &amp; more"},
    {"quotes", "\"it's\"", "\"it's\""},
    // What the decoder would take for a tag, a code or an escape keeps its characters, with
    // an invisible joiner that stops the decoder reading it.
    {"angle_before_a_letter", "a <b c", "a <" + kJoiner + "b c"},
    {"angle_before_blanks_and_a_letter", "x <  y", "x <" + kJoiner + "  y"},
    {"angle_before_a_slash", "x </i>", "x <" + kJoiner + "/i>"},
    {"angle_before_a_letter_beyond_ascii", "x <ą", "x <" + kJoiner + "ą"},
    {"angle_before_a_digit", "1 < 2 > 0", "1 < 2 > 0"},
    {"angle_at_the_end_before_a_tag", "a<<i>b</i>", "a<<i>b</i>"},
    {"microdvd_code", "a {y:i}b", "a {" + kJoiner + "y:i}b"},
    {"ssa_override", "{\\an8}top", "{" + kJoiner + "\\an8}top"},
    {"braces_alone", "{1}{2} {}", "{1}{2} {}"},
    {"line_break_escape", "C:\\new\\N", "C:\\" + kJoiner + "new\\" + kJoiner + "N"},
    {"no_break_space_escape", "a\\hb", "a\\" + kJoiner + "hb"},
    {"other_backslash", "a\\b\\", "a\\b\\"},
    // A zero would end the decoder's text; other control characters draw as nothing useful.
    {"control_characters",
     std::string("a\0b\x01"
                 "c\x7F",
                 6),
     "a\xEF\xBF\xBD"
     "b\xEF\xBF\xBD"
     "c\xEF\xBF\xBD"},
    {"tab_kept", "a\tb", "a\tb"},
    {"ill_formed_utf8", "a\xFF\xC3z", "a\xEF\xBF\xBD\xEF\xBF\xBDz"},
    {"empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Rules, VlcMarkupTest, testing::ValuesIn(markupCases),
                         [](const auto& info) { return info.param.description; });

struct RateCase {
    const char* description;
    double fps;
    std::optional<FrameRatio> ratio;
};

class FilmRateTest : public testing::TestWithParam<RateCase> {};

TEST_P(FilmRateTest, IsAnExactRatio) {
    EXPECT_EQ(Tork::Vlc::frameRatioOf(GetParam().fps), GetParam().ratio);
}

const RateCase rateCases[] = {
    {"pal", 25.0, FrameRatio{25, 1}},
    {"film", 24.0, FrameRatio{24, 1}},
    {"ntsc_film", 24000.0 / 1001, FrameRatio{24000, 1001}},
    {"ntsc_video", 30000.0 / 1001, FrameRatio{30000, 1001}},
    // As VLC hands it over: a float.
    {"ntsc_film_as_a_float", static_cast<float>(24000.0 / 1001), FrameRatio{24000, 1001}},
    {"decimal", 12.5, FrameRatio{25, 2}},
    {"decimal_close_to_ntsc", 23.976, FrameRatio{2997, 125}},
    {"largest", 1000.0, FrameRatio{1000, 1}},
    // Rates VLC gives when it knows none, and rates no film has.
    {"unknown", 0.0, std::nullopt},
    {"one", 1.0, std::nullopt},
    {"negative", -25.0, std::nullopt},
    {"too_large", 1000.5, std::nullopt},
    {"not_a_number", std::nan(""), std::nullopt},
    {"infinite", std::numeric_limits<double>::infinity(), std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Rates, FilmRateTest, testing::ValuesIn(rateCases),
                         [](const auto& info) { return info.param.description; });

struct LanguageCase {
    const char* description;
    const char* path;
    std::optional<std::string> language;
};

class TrackLanguageTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(TrackLanguageTest, ComesFromTheName) {
    EXPECT_EQ(Tork::Vlc::languageOfFileName(GetParam().path), GetParam().language);
}

const LanguageCase languageCases[] = {
    {"two_letters", "/films/film.pl.sub", "pl"},
    {"three_letters", "film.pol.txt", "pol"},
    {"last_two_dots", "/films/The.Film.2009.cs.sub", "cs"},
    {"none", "/films/film.sub", std::nullopt},
    {"empty", "/films/film..sub", std::nullopt},
    // Only the file's name counts, not its folder's.
    {"dot_in_the_folder", "/films/a.b/film.sub", std::nullopt},
    {"no_extension", "/films/film", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Names, TrackLanguageTest, testing::ValuesIn(languageCases),
                         [](const auto& info) { return info.param.description; });

}  // namespace
