// Translates the formatting codes at the start of every line of a MicroDVD entry into mark-up.
#pragma once

#include "microdvd/CodeTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace Tork {

/// The lenient reading's codes. Each line of `text` (lines end at LF) may begin with a
/// run of "/", "\" (italic) and codes of the lenient reading (addCodeTags). A lower-case
/// code letter (and "/") covers its line; an upper-case one its line and every later line.
/// Tags close in the reverse order of opening at the end of their scope, so the mark-up is
/// always well nested. The run ends at the first code that is not well formed (no closing
/// brace, a colour that is not six hex digits, an empty name or a size that is not
/// digits), which stays as text like everything after it. `out` is replaced.
void translateLineCodes(std::string_view text, std::string& out);

/// translateLineCodes with its working memory kept from one text to the next, for a parser
/// that translates thousands: after the first few, a translation allocates nothing.
class LineCodeTranslator {
public:
    void translate(std::string_view text, std::string& out);

private:
    std::string lineOpening_, laterOpening_;
    ScopeTags::Closings lineClosing_, laterClosing_;
    std::vector<std::string_view> closingLater_;
};

}  // namespace Tork
