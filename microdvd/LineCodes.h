// Translates the formatting codes at the start of every line of a MicroDVD entry into mark-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {

/// The lenient reading's codes. Each line of `text` (lines end at LF) may begin with a
/// run of codes:
///   "/" or "\"               → <i>
///   "{y:i,b,u,s}"             → <i>, <b>, <u>, <s> (bold closes with </B>); other letters
///                               are ignored
///   "{c:$BBGGRR}" ("#" too)   → <font color="#RRGGBB">
///   "{f:name}"                → <font face="name">, with & < > " escaped
///   "{s:digits}"              → <font size="digits">
///   any other "{letter:...}"  → removed
/// A lower-case code letter (and "/") covers its line; an upper-case one its line and every
/// later line. Tags close in the reverse order of opening at the end of their scope, so
/// the mark-up is always well nested. A style already open in the same scope is not
/// opened again. The run ends at the first code that is not well
/// formed (no closing brace, a colour that is not six hex digits, an empty name or a size
/// that is not digits), which stays as text like everything after it. `out` is replaced.
void translateLineCodes(std::string_view text, std::string& out);

/// translateLineCodes with its working memory kept from one text to the next, for a parser
/// that translates thousands: after the first few, a translation allocates nothing. Its
/// memory is a byte for each font code of the text, and a few for the rest.
class LineCodeTranslator {
public:
    void translate(std::string_view text, std::string& out);
    /// Appends the translation to `out`: a std::string, a CountingOutput or a FixedOutput.
    template <class Out>
    void write(std::string_view text, Out& out);

private:
    std::vector<std::uint8_t> lineClosing_, closingLater_;
};

}  // namespace Tork
