#include "microdvd/LineCodes.h"

#include "text/TextOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace Tork {
namespace {

TEST(LineCodes, ScopesNestingAndMalformedCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"/A\n\\B\n{y:i}C\nD", "<i>A</i>\n<i>B</i>\n<i>C</i>\nD"},  // lower case: its line
        {"{Y:i}A\nB", "<i>A\nB</i>"},  // upper case: the rest of the entry
        {"{y:i,b}{Y:u}{c:$0000FF}A", "<u><b><i><font color=\"#FF0000\">A</font></i></B></u>"},
        {"{y:sbsx}A", "<s><b>A</B></s>"},  // each letter once; others ignored
        // A style once per scope, however often its codes repeat.
        {"///{y:i}{y:bi}A", "<i><b>A</B></i>"},
        {"{Y:i}A\n{Y:i}/B", "<i>A\n<i>B</i></i>"},
        // What closes with its line opened inside what stays open.
        {"{c:$00FF00}{Y:i}A\n{y:b}/B", "<i><font color=\"#00FF00\">A</font>\n<b><i>B</i></B></i>"},
        {"{f:A&\"<>}{s:12}A",
         "<font face=\"A&amp;&quot;&lt;&gt;\"><font size=\"12\">A</font></font>"},
        {"{P:0}{o:10,20}{H:PL}{Z:}A\n\n{y:i}", "A\n\n<i></i>"},
        // A line's one code, each kind.
        {"{s:12}A\n{f:B&}B\n{o:1}C\n{c:#0000FF}D\n{y:uiu}E",
         "<font size=\"12\">A</font>\n<font face=\"B&amp;\">B</font>\nC\n<font "
         "color=\"#FF0000\">D</font>\n<u><i>E</i></u>"},
        // Not well formed: the run ends, the code stays text.
        {"{y:i}{c:$12345}A\n{y:i", "<i>{c:$12345}A</i>\n{y:i"},
        {"{c:#12345G}A\n{c:%123456}B", "{c:#12345G}A\n{c:%123456}B"},
        {"{s:big}A\n{f:}B", "{s:big}A\n{f:}B"},
        {"{1:x}A\n{y}B\nC {y:i}", "{1:x}A\n{y}B\nC {y:i}"},
    };
    std::string out = "left from an earlier entry";
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        translateLineCodes(text, out);
        EXPECT_EQ(out, expected);
        CountingOutput counted;  // what a long translation is measured by
        LineCodeTranslator().write(text, counted);
        EXPECT_EQ(counted.size(), out.size());
    }
}

// A code after a bar at each edge of the words and blocks read at once.
TEST(LineCodes, BarsBecomeLineFeedsNoticingCodesAfterThem) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {"|/", true},
        {"/a|b", false},                       // the first line is the caller's to look at
        {"abcdefg|{y:i}x", true},              // the bar ends the first word
        {"abcdefgh|\\", true},                 // the bar starts the second
        {"abcdefghijklmno|/ and more", true},  // the bar ends the first block
        {"abcdefghijklmnopqrs|", false},       // the last, overlapping block ends on it
        {"abcdefghijklmnopq|r|s{", false},
        {"abcdefghijklmnopqrst||/", true},  // an empty line between
    };
    for (const auto& [text, codeAfterBar] : cases) {
        SCOPED_TRACE(text);
        std::string expected = text;
        std::replace(expected.begin(), expected.end(), '|', '\n');
        std::string replaced = text;
        EXPECT_EQ(barsToLineFeeds(replaced.data(), replaced.size()), codeAfterBar);
        EXPECT_EQ(replaced, expected);
    }
}

}  // namespace
}  // namespace Tork
