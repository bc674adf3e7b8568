// The plug-in's tags rewritten for SubRip, WebVTT, plain text and the terminal.
#include "tools/subplay/Markup.h"

#include <gtest/gtest.h>

#include <ostream>

namespace Tork::Subplay {
namespace {

struct Row {
    const char* description;
    std::string_view text;
    std::string_view srt;
    std::string_view vtt;
    std::string_view plain;
};
// Listed by name, not as raw bytes.
void PrintTo(const Row& c, std::ostream* out) {
    *out << c.description;
}

const Row rows[] = {
    {"plain", "Hi\nthere", "Hi\nthere", "Hi\nthere", "Hi\nthere"},
    {"italic", "<i>Hi\nthere</i>", "<i>Hi\nthere</i>", "<i>Hi\nthere</i>", "Hi\nthere"},
    {"bold closed in capitals", "<b>Hi</B>", "<b>Hi</b>", "<b>Hi</b>", "Hi"},
    {"style codes nest", "<b><i>Hi</i></B>", "<b><i>Hi</i></b>", "<b><i>Hi</i></b>", "Hi"},
    {"colour", "<font color=\"#00FF80\">Hi</font>", "<font color=\"#00FF80\">Hi</font>", "Hi",
     "Hi"},
    {"colour that is not hexadecimal", "<font color=\"#zz\"x>y\">Hi</font>", "Hi", "Hi", "Hi"},
    {"upper-case tags from the file", "<I>Hi</I>", "<i>Hi</i>", "<i>Hi</i>", "Hi"},
    {"unknown tag stays text", "<u>Hi</u>", "<u>Hi</u>", "&lt;u&gt;Hi&lt;/u&gt;", "<u>Hi</u>"},
    {"characters WebVTT must escape", "a < b && c > d", "a < b && c > d",
     "a &lt; b &amp;&amp; c &gt; d", "a < b && c > d"},
    {"arrow inside a cue", "a --> b", "a --> b", "a --&gt; b", "a --> b"},
    {"closing with nothing open is text", "Hi</i>", "Hi</i>", "Hi&lt;/i&gt;", "Hi</i>"},
    {"unclosed tag closed at the end", "<i>Hi", "<i>Hi</i>", "<i>Hi</i>", "Hi"},
    {"closing an outer tag closes the inner one", "<i><b>Hi</i> there</B>",
     "<i><b>Hi</b></i> there</B>", "<i><b>Hi</b></i> there&lt;/B&gt;", "Hi there</B>"},
    {"literal close inside the plug-in's span", "<i>a</i>b</i>", "<i>a</i>b</i>",
     "<i>a</i>b&lt;/i&gt;", "ab</i>"},
    {"truncated colour tag", "<font color=\"#00", "<font color=\"#00", "&lt;font color=\"#00",
     "<font color=\"#00"},
    {"lone angle bracket", "<", "<", "&lt;", "<"},
    {"empty", "", "", "", ""},
};

class Markup : public testing::TestWithParam<Row> {};

TEST_P(Markup, RewrittenForEachOutput) {
    const Row& row = GetParam();
    EXPECT_EQ(toSrtMarkup(row.text), row.srt);
    EXPECT_EQ(toVttMarkup(row.text), row.vtt);
    EXPECT_EQ(toPlainText(row.text), row.plain);
}

INSTANTIATE_TEST_SUITE_P(Tags, Markup, testing::ValuesIn(rows), [](const auto& info) {
    std::string name;
    for (const char c : std::string_view(info.param.description)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
});

TEST(TerminalMarkup, StylesEndWithEveryLine) {
    EXPECT_EQ(toTerminalText("<i>a\nb</i>c"), "\x1b[3ma\x1b[0m\n\x1b[3mb\x1b[0mc");
    EXPECT_EQ(toTerminalText("<font color=\"#FF8000\">x</font>"), "\x1b[38;2;255;128;0mx\x1b[0m");
    EXPECT_EQ(toTerminalText("<b><i>x</i>y</B>"), "\x1b[1m\x1b[3mx\x1b[0m\x1b[1my\x1b[0m");
}

}  // namespace
}  // namespace Tork::Subplay
