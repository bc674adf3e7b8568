// The plug-in's mark-up as the kit reads it: which spans open and close, and what is text.
#include "host/Markup.h"

#include <gtest/gtest.h>

#include <string>

namespace Tork::Host {
namespace {

using namespace std::string_view_literals;

// Writes the reader's events as "[i", "]i", "[font #00FF80", and the text between them.
class Recorder : public MarkupSink {
public:
    void text(std::string_view bytes) override { out += bytes; }
    void open(const MarkupSpan& span) override { out += "[" + name(span); }
    void close(const MarkupSpan& span) override { out += "]" + name(span); }
    std::string out;

private:
    static std::string name(const MarkupSpan& span) {
        if (span.style != MarkupSpan::Style::Font)
            return std::string(1, "ibus"[static_cast<int>(span.style)]);
        return "font #" + std::string(span.colour) + " face=" + std::string(span.face) +
               " size=" + std::string(span.size) + ";";
    }
};

TEST(MarkupReader, SpansPairUpAndTheRestIsText) {
    struct Row {
        std::string_view text, events;
    };
    const Row rows[] = {
        {"<i>Hi</I> <B>x</b>", "[iHi]i [bx]b"},
        {"<u><s>x</s></u>", "[u[sx]s]u"},
        {"<font color=\"#00FF80\">x</font>",
         "[font #00FF80 face= size=;x]font #00FF80 face= size=;"},
        {"<FONT COLOR=\"#zz00zz\">x", "[font # face= size=;x]font # face= size=;"},
        {"<font face=\"A &amp; B\">x</font>",
         "[font # face=A &amp; B size=;x]font # face=A &amp; B size=;"},
        {"<font size=\"2x\">x</font>", "[font # face= size=;x]font # face= size=;"},
        {"<font weight=\"9\">x</font>", "<font weight=\"9\">x</font>"},
        // A close with nothing of its kind open is text; closing an outer span closes inner ones.
        {"Hi</i>", "Hi</i>"},
        {"<i><b>Hi</i> there</b>", "[i[bHi]b]i there</b>"},
        {"<i>Hi", "[iHi]i"},
        {"<font color=\"#00", "<font color=\"#00"},
        {"<", "<"},
        // Tags are compared a word at a time: letters in any case match, and a byte that
        // differs from the tag's only by the case bit (NUL for a space, 0x1D for "=", 0x0F
        // for "/", 0x1E for ">") does not, in the first word or the last.
        {"<FoNt CoLoR=\"#aBcDeF\">x</FoNt>",
         "[font #aBcDeF face= size=;x]font #aBcDeF face= size=;"},
        {"<FONT FACE=\"A\">x</Font>", "[font # face=A size=;x]font # face=A size=;"},
        {"<Font Size=\"12\">x", "[font # face= size=12;x]font # face= size=12;"},
        {"<font\0color=\"#00FF80\">x"sv, "<font\0color=\"#00FF80\">x"sv},
        {"<font color\x1d\"#00FF80\">x", "<font color\x1d\"#00FF80\">x"},
        {"<i>x<\x0f"
         "font></font\x1e",
         "[ix<\x0f"
         "font></font\x1e]i"},
        {"<font size=\"2\">x</font", "[font # face= size=2;x</font]font # face= size=2;"},
        // A value ends before the next tag: the plug-in escapes "<" and ">" in one.
        {"<font face=\"a<i>b\">x", "<font face=\"a[ib\">x]i"},
        {"<font face=\"a>b\">x</font>", "<font face=\"a>b\">x</font>"},
        {"<font face=<i>\"b\">x", "<font face=[i\"b\">x]i"},
    };
    MarkupReader reader;  // one reader, many texts
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Recorder recorder;
        reader.read(row.text, recorder);
        EXPECT_EQ(recorder.out, row.events);
    }
}

// A search for a tag or a quote stops at the next "<", so no text makes read() look at a
// byte more than twice; a quote that never closed once cost the rest of the text per tag.
TEST(MarkupReader, SearchesEachByteAtMostTwiceWhateverTheText) {
    struct Row {
        const char* description;
        std::string_view unit;  // repeated to make the text
    };
    const Row rows[] = {
        {"font without a quote", "<font "},
        {"face whose quote never closes", "<font face=\"x "},
        {"face closed without its bracket", "<font face=\"x\" "},
        {"colour cut short", "<font color=\"#00"},
        {"closing tags with nothing open", "</i></font>"},
        {"tags that pair", "<i>x</i><font size=\"2\">y</font>"},
    };
    MarkupReader reader;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        for (std::size_t repeats = 1000; repeats <= 64000; repeats *= 4) {
            std::string text;
            for (std::size_t i = 0; i < repeats; ++i) text += row.unit;
            Recorder recorder;
            reader.read(text, recorder);
            EXPECT_LE(reader.searched(), 2 * text.size()) << repeats << " repeats";
        }
    }
}

TEST(MarkupReader, UnescapesFacesAsThePluginEscapesThem) {
    EXPECT_EQ(unescapedFace("A &amp; B &lt;C&gt; &quot;D&quot; O&apos;E"), "A & B <C> \"D\" O'E");
    // Anything that is not one of these entities stays as it is.
    EXPECT_EQ(unescapedFace("&amp &nbsp; &&amp;"), "&amp &nbsp; &&");
}

}  // namespace
}  // namespace Tork::Host
