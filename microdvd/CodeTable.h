// The formatting codes of MicroDVD texts that both readings know, and the mark-up of each.
#pragma once

#include "microdvd/MicroDVDParser.h"

#include <boost/container/small_vector.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Tork {

/// The tags one scope of text opens (a line, an entry), in the order they open, and how each
/// closes; the driver writes the closings in reverse at the scope's end.
struct ScopeTags {
    using Closings = boost::container::small_vector<std::string_view, 8>;

    std::string& opening;
    Closings& closing;

    void add(std::string_view open, std::string_view close) {
        opening += open;
        closing.push_back(close);
    }
    void clear() {
        opening.clear();
        closing.clear();
    }
};

/// "{", a letter, ":", a value and "}": one code as written.
struct CodeGroup {
    char letter;
    std::string_view value;
    std::size_t length;  // of the whole group, braces included
};

/// The code group at the very start of `text`; none when the text begins otherwise.
std::optional<CodeGroup> codeGroupAt(std::string_view text);

/// What "/" and "\" open: italic.
void addItalic(ScopeTags& scope);

/// Adds to `scope` what `code` opens in `reading`, the code letter in either case:
///   y: <i>, <b> (closed by </B>); leniently also <u>, <s>, each once, and by default
///      letters may repeat; later letters outermost; other letters ignored
///   c: "$BBGGRR" or "#BBGGRR", six hex digits → <font color="#RRGGBB">
///   f (lenient): a name → <font face="name">, with & < > " escaped
///   s (lenient): digits → <font size="digits">
///   any other letter: by default not a code; leniently removed without mark-up
/// False, adding nothing, when the code is not one of `reading` or not well formed.
[[nodiscard]] bool addCodeTags(const CodeGroup& code, MicroDVDReading reading, ScopeTags& scope);

}  // namespace Tork
