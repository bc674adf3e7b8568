// Translates the formatting codes at the start of every line of a MicroDVD entry into mark-up.
#pragma once

#include "microdvd/CodeTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tork {

/// The lenient reading's codes. Each line of `text` (lines end at LF) may begin with a
/// run of "/", "\" (italic) and codes of the lenient reading (isCode). A lower-case code
/// letter (and "/") covers its line; an upper-case one its line and every later line. Tags
/// close in the reverse order of opening at the end of their scope, so the mark-up is
/// always well nested. A style already open in the same scope is not opened again. The run
/// ends at the first code that is not well formed (no closing brace, a colour that is not
/// six hex digits, an empty name or a size that is not digits), which stays as text like
/// everything after it. `out` is replaced.
void translateLineCodes(std::string_view text, std::string& out);

/// Replaces each bar of the `length` bytes at `text` with a line feed, MicroDVD's line break,
/// and tells whether a line after the first then begins as a code may ("/", "\\" or "{"):
/// one pass where a search of the lines would take another.
bool barsToLineFeeds(char* text, std::size_t length);

/// translateLineCodes with its working memory kept from one text to the next, for a parser
/// that translates thousands: after the first few, a translation allocates nothing. Its
/// memory is a byte for each font code of the text, and a few for the rest.
class LineCodeTranslator {
public:
    void translate(std::string_view text, std::string& out);
    /// What a caller knows of a text's lines, so that they need not be searched for.
    enum class Lines : std::uint8_t {
        Any,
        One,           // no line feed at all
        CodesOnFirst,  // no line after the first begins with "/", "\\" or "{"
    };
    /// Appends the translation to `out`: a std::string, a CountingOutput or a FixedOutput.
    template <class Out>
    void write(std::string_view text, Out& out, Lines lines = Lines::Any);

private:
    // A line's codes, read once for both scopes where a few; a member, since a local array
    // of them would be cleared for every text.
    static constexpr std::size_t kKeptCodes = 8;
    CodeGroup kept_[kKeptCodes + 1] = {};  // the last for each code beyond those kept
    ScopeTags::Closings lineClosing_, closingLater_;
};

}  // namespace Tork
