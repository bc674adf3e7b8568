#include "microdvd/FormattingCode.h"

#include "text/TextOutput.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

struct CodeCase {
    const char* text;
    const char* expected;
};

TEST(FormattingCode, TranslatesOnlyTheLeadingCode) {
    const CodeCase cases[] = {
        {"/Hi", "<i>Hi</i>"},
        {"\\Hi", "<i>Hi</i>"},
        {"/", "<i></i>"},
        {"{y:ib}Hi", "<b><i>Hi</i></B>"},  // later letters wrap outside earlier ones
        {"{Y:I}Hi", "<i>Hi</i>"},
        {"{y:u}Hi", "Hi"},
        {"{y:ii}Hi", "<i><i>Hi</i></i>"},  // letters may repeat, unlike leniently
        {"{y:}Hi", "Hi"},
        {"{y:u}", ""},
        {"{y:ibu}Hi", "{y:ibu}Hi"},  // its brace is at position 6
        {"{y:i}{c:$0000FF}Hi", "<i>{c:$0000FF}Hi</i>"},
        // Colours are written blue, green, red; the tag says red, green, blue.
        {"{c:$0000FF}Hi", "<font color=\"#FF0000\">Hi</font>"},
        {"{C:#FF0000}Hi", "<font color=\"#0000FF\">Hi</font>"},
        {"{c:$123456}", "<font color=\"#563412\"></font>"},
        {"{c:$zzYYxx}Hi", "{c:$zzYYxx}Hi"},                          // only hex digits are a colour
        {"{c:$\">b<x\"}Hi", "{c:$\">b<x\"}Hi"},                      // that the tag would carry
        {"{c:$a\xC3\xA9\xC3\xA9z}Hi", "{c:$a\xC3\xA9\xC3\xA9z}Hi"},  // reordered, é would split
        {"{c:$FF}Hi", "{c:$FF}Hi"},
        {"{c:%0000FF}Hi", "{c:%0000FF}Hi"},
        {"{c:$0000FFF}Hi", "{c:$0000FFF}Hi"},
        {"{", "{"},
        {"{y", "{y"},
        {"{y:i", "{y:i"},
        {"Hi\n/there", "Hi\n/there"},
        {"{s:10}Hi", "{s:10}Hi"},
        {"", ""},
    };
    std::string out = "left from an earlier line";
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.text);
        translateFormattingCode(c.text, out);
        EXPECT_EQ(out, c.expected);
        CountingOutput counted;  // what a long translation is measured by
        writeFormattingCode(c.text, counted);
        EXPECT_EQ(counted.size(), out.size());
    }
}

}  // namespace
}  // namespace Tork
