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
    std::string_view microDvd;
};
// Listed by name, not as raw bytes.
void PrintTo(const Row& c, std::ostream* out) {
    *out << c.description;
}

const Row rows[] = {
    {"plain", "Hi\nthere", "Hi\nthere", "Hi\nthere", "Hi\nthere", "Hi|there"},
    {"italic", "<i>Hi\nthere</i>", "<i>Hi\nthere</i>", "<i>Hi\nthere</i>", "Hi\nthere",
     "{Y:i}Hi|there"},
    {"bold closed in capitals", "<b>Hi</B>", "<b>Hi</b>", "<b>Hi</b>", "Hi", "{y:b}Hi"},
    {"style codes nest", "<b><i>Hi</i></B>", "<b><i>Hi</i></b>", "<b><i>Hi</i></b>", "Hi",
     "{y:ib}Hi"},
    {"colour", "<font color=\"#00FF80\">Hi</font>", "<font color=\"#00FF80\">Hi</font>", "Hi", "Hi",
     "{c:$80FF00}Hi"},
    {"colour that is not hexadecimal", "<font color=\"#zz\"x>y\">Hi</font>", "Hi", "Hi", "Hi",
     "Hi"},
    {"upper-case tags from the file", "<I>Hi</I>", "<i>Hi</i>", "<i>Hi</i>", "Hi", "{y:i}Hi"},
    {"underline and strike-through", "<u>Hi</u> <s>no</s>", "<u>Hi</u> <s>no</s>", "<u>Hi</u> no",
     "Hi no", "{y:u}Hi no"},
    {"face and size", "<font face=\"A &amp; B\"><font size=\"22\">Hi</font></font>",
     "<font face=\"A &amp; B\"><font size=\"22\">Hi</font></font>", "Hi", "Hi",
     "{f:A & B}{s:22}Hi"},
    // {c:$0000ff}{y:b}{f:A}X as the lenient reading gives it.
    {"stacked codes stay nested", "<font color=\"#ff0000\"><b><font face=\"A\">X</font></B></font>",
     "<font color=\"#ff0000\"><b><font face=\"A\">X</font></b></font>", "<b>X</b>", "X",
     "{y:b}{c:$0000ff}{f:A}X"},
    {"codes of one line only", "<i>a</i>\nb", "<i>a</i>\nb", "<i>a</i>\nb", "a\nb", "{y:i}a|b"},
    {"unknown tag stays text", "<q>Hi</q>", "<q>Hi</q>", "&lt;q&gt;Hi&lt;/q&gt;", "<q>Hi</q>",
     "<q>Hi</q>"},
    {"characters WebVTT must escape", "a < b && c > d", "a < b && c > d",
     "a &lt; b &amp;&amp; c &gt; d", "a < b && c > d", "a < b && c > d"},
    {"arrow inside a cue", "a --> b", "a --> b", "a --&gt; b", "a --> b", "a --> b"},
    {"closing with nothing open is text", "Hi</i>", "Hi</i>", "Hi&lt;/i&gt;", "Hi</i>", "Hi</i>"},
    {"closing another kind is text", "<i>Hi</u></font>", "<i>Hi</u></font></i>",
     "<i>Hi&lt;/u&gt;&lt;/font&gt;</i>", "Hi</u></font>", "{y:i}Hi</u></font>"},
    {"unclosed tag closed at the end", "<i>Hi", "<i>Hi</i>", "<i>Hi</i>", "Hi", "{y:i}Hi"},
    {"closing an outer tag closes the inner one", "<i><b>Hi</i> there</B>",
     "<i><b>Hi</b></i> there</B>", "<i><b>Hi</b></i> there&lt;/B&gt;", "Hi there</B>",
     "{y:bi}Hi there</B>"},
    {"literal close inside the plug-in's span", "<i>a</i>b</i>", "<i>a</i>b</i>",
     "<i>a</i>b&lt;/i&gt;", "ab</i>", "{y:i}ab</i>"},
    {"truncated colour tag", "<font color=\"#00", "<font color=\"#00", "&lt;font color=\"#00",
     "<font color=\"#00", "<font color=\"#00"},
    {"lone angle bracket", "<", "<", "&lt;", "<", "<"},
    // A style nested in itself wrote its letter once per span: {y:iii...} on every line.
    {"a style nested in itself counts once", "<i><b><i>x</i></b></i>", "<i><b><i>x</i></b></i>",
     "<i><b><i>x</i></b></i>", "x", "{y:bi}x"},
    {"a font inside a font keeps the outer attributes",
     "<font color=\"#0000FF\"><font size=\"9\">a</font>\nb</font>",
     "<font color=\"#0000FF\"><font size=\"9\">a</font>\nb</font>", "a\nb", "a\nb",
     "{c:$FF0000}{s:9}a|{c:$FF0000}b"},
    {"empty", "", "", "", "", ""},
};

class Rewriting : public testing::TestWithParam<Row> {};

TEST_P(Rewriting, RewrittenForEachOutput) {
    const Row& row = GetParam();
    EXPECT_EQ(rewritten(Markup::Srt, row.text), row.srt);
    EXPECT_EQ(rewritten(Markup::Vtt, row.text), row.vtt);
    EXPECT_EQ(rewritten(Markup::Plain, row.text), row.plain);
    EXPECT_EQ(rewritten(Markup::MicroDvd, row.text), row.microDvd);
}

INSTANTIATE_TEST_SUITE_P(Tags, Rewriting, testing::ValuesIn(rows), [](const auto& info) {
    std::string name;
    for (const char c : std::string_view(info.param.description)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
});

TEST(TerminalMarkup, StylesEndWithEveryLine) {
    EXPECT_EQ(rewritten(Markup::Terminal, "<i>a\nb</i>c"), "\x1b[3ma\x1b[0m\n\x1b[3mb\x1b[0mc");
    EXPECT_EQ(rewritten(Markup::Terminal, "<font color=\"#FF8000\">x</font>"),
              "\x1b[38;2;255;128;0mx\x1b[0m");
    EXPECT_EQ(rewritten(Markup::Terminal, "<b><i>x</i>y</B>"),
              "\x1b[1m\x1b[3mx\x1b[0m\x1b[1my\x1b[0m");
    // A span that holds no text changes nothing on screen.
    EXPECT_EQ(rewritten(Markup::Terminal, "<i><b></B></i>x"), "x");
}

// Deep nesting and unmatched closing tags cost time and output in proportion to the text:
// a million of each took hours to read and gigabytes to print before.
TEST(MarkupCost, LinearInTheText) {
    constexpr std::size_t n = 1'000'000;
    std::string closers;
    for (std::size_t i = 0; i < n; ++i) closers += "<i>";
    for (std::size_t i = 0; i < n; ++i) closers += "</b>";
    EXPECT_EQ(rewritten(Markup::Srt, closers).size(), closers.size() + 4 * n);

    std::string nested;
    for (std::size_t i = 0; i < n; ++i) nested += "<i>x\n";
    EXPECT_LT(rewritten(Markup::Terminal, nested).size(), 4 * nested.size());
}

// n nested spans over n lines gave MicroDVD n letters a line: a 40 KB text wrote 64 MB. Each
// line now holds "{y:i}x|" at most, at every size.
TEST(MarkupCost, MicroDvdCodesStayOneLetterAStyle) {
    for (const std::size_t n : {1'000u, 10'000u, 100'000u}) {
        SCOPED_TRACE(n);
        std::string nested;
        for (std::size_t i = 0; i < n; ++i) nested += i % 2 ? "<i>x\n" : "<b>x\n";
        const std::string written = rewritten(Markup::MicroDvd, nested);
        EXPECT_LE(written.size(), n * std::string_view("{y:ib}x|").size());
        EXPECT_EQ(written.substr(written.size() - 8), "{y:ib}x|");
    }
}

// A large text goes out in blocks, and the blocks make what one piece would have: MicroDVD
// finds the codes every line shares by a first pass then, not by joining lines after.
TEST(MarkupCost, LargeTextsSpillInBlocksThatJoinUp) {
    std::string mixed, shared = "<i>";
    while (mixed.size() < 8 * kSpillSize) mixed += "<i>a</i> <b>b</b>\n<font color=\"#00FF00\">c";
    while (shared.size() < 2 * kSpillSize) shared += "line\n";
    shared += "last";
    const struct {
        Markup markup;
        const std::string& text;
    } rows[] = {{Markup::Srt, mixed},
                {Markup::Vtt, mixed},
                {Markup::MicroDvd, mixed},
                {Markup::MicroDvd, shared}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.markup));
        std::string joined, out;
        std::size_t spills = 0;
        const Spill spill = [&](std::string& full) {
            EXPECT_LT(full.size(), 2 * kSpillSize);
            joined += full;
            full.clear();
            ++spills;
        };
        MarkupReader reader;
        appendMarkup(reader, row.markup, row.text, out, spill);
        EXPECT_GE(spills, 1u);
        EXPECT_EQ(joined + out, rewritten(row.markup, row.text));
    }
    EXPECT_TRUE(rewritten(Markup::MicroDvd, shared).starts_with("{Y:i}line|line|"));
}

}  // namespace
}  // namespace Tork::Subplay
