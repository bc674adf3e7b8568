// The plug-in's mark-up as Pango mark-up: one row per rule.
#include "gstreamer/PangoMarkup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* description;
    std::string input;
    std::string pango;
};

class PangoMarkupTest : public testing::TestWithParam<Case> {};

TEST_P(PangoMarkupTest, Converts) {
    EXPECT_EQ(Tork::Gst::toPangoMarkup(GetParam().input), GetParam().pango);
}

const Case cases[] = {
    {"plain", "The lamp went out.", "The lamp went out."},
    {"lines", "one\ntwo", "one\ntwo"},
    {"italic", "<i>x</i>", "<i>x</i>"},
    {"bold_closed_in_upper_case", "<b>Not me.\nI climbed.</B>", "<b>Not me.\nI climbed.</b>"},
    {"underline_and_strike", "<u>a</u><s>b</s>", "<u>a</u><s>b</s>"},
    {"upper_case_tags", "<I>a</I><U>b</U>", "<i>a</i><u>b</u>"},
    {"colour", "<font color=\"#00FF00\">x</font>", "<span foreground=\"#00FF00\">x</span>"},
    {"face", "<font face=\"Times New Roman\">x</font>",
     "<span font_family=\"Times New Roman\">x</span>"},
    {"size_in_points", "<font size=\"22\">x</font>", "<span size=\"22528\">x</span>"},
    {"nested_fonts", "<font face=\"A\"><font size=\"10\">x</font></font>",
     "<span font_family=\"A\"><span size=\"10240\">x</span></span>"},
    // Attributes Pango could not take, or that would make a renderer work for nothing,
    // leave a plain span so the closing tag still pairs.
    {"size_zero", "<font size=\"0\">x</font>", "<span>x</span>"},
    {"size_too_large", "<font size=\"1001\">x</font>", "<span>x</span>"},
    {"size_overflowing", "<font size=\"99999999999999999999\">x</font>", "<span>x</span>"},
    {"colour_not_hexadecimal", "<font color=\"#GG0000\">x</font>", "<span>x</span>"},
    // Text the renderer would read as mark-up.
    {"ampersand", "Bread & matches", "Bread &amp; matches"},
    {"angle_brackets", "a < b > c", "a &lt; b &gt; c"},
    {"quotes", "\"it's\"", "&quot;it&apos;s&quot;"},
    {"unknown_tag", "<span>x</span>", "&lt;span&gt;x&lt;/span&gt;"},
    {"stray_closing_tag", "x</i>", "x&lt;/i&gt;"},
    {"face_escaped_by_the_plug_in", "<font face=\"a&amp;b&quot;c\">x</font>",
     "<span font_family=\"a&amp;b&quot;c\">x</span>"},
    {"face_with_a_raw_ampersand", "<font face=\"a&b'c\">x</font>",
     "<span font_family=\"a&amp;b&apos;c\">x</span>"},
    // The plug-in escapes "<" in a face: one that holds it is no tag.
    {"face_with_a_raw_bracket", "<font face=\"a<c\">x</font>",
     "&lt;font face=&quot;a&lt;c&quot;&gt;x&lt;/font&gt;"},
    // Nesting: whatever the order of the input, the output pairs. The plug-in never crosses
    // tags; a text that does closes the inner one early, and the stray closer is text.
    {"unclosed", "<i>x", "<i>x</i>"},
    {"crossed", "<i><b>x</i>y</b>", "<i><b>x</b></i>y&lt;/b&gt;"},
    // Bytes that would make GMarkup refuse the whole cue.
    {"control_character", std::string("a\x01z\x7F"), "a\xEF\xBF\xBDz\xEF\xBF\xBD"},
    {"zero_byte", std::string("a\0z", 3), "a\xEF\xBF\xBDz"},
    {"tab_kept", "a\tb", "a\tb"},
    {"ill_formed_utf8", "a\xFF\xC3z", "a\xEF\xBF\xBD\xEF\xBF\xBDz"},
    {"utf8_kept", "Zapalimy ją ręcznie.", "Zapalimy ją ręcznie."},
    {"empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Rules, PangoMarkupTest, testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.description); });

}  // namespace
