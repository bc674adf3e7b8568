// The formatting codes of MicroDVD texts that both readings know, and the mark-up of each.
#pragma once

#include "microdvd/MicroDVDReading.h"
#include "microdvd/OverlayText.h"
#include "text/Ascii.h"
#include "scan/ByteWords.h"

#include <boost/container/small_vector.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Tork {

/// The tags one scope of text has open (a line, an entry): a byte for each, naming how it
/// closes, in the order they opened. A byte, not the closing text, since a line of codes
/// may open a tag for every few bytes of a file. The lenient reading also keeps which
/// styles are open, to open none twice.
struct ScopeTags {
    using Closings = boost::container::small_vector<std::uint8_t, 16>;

    Closings& closing;
    unsigned styles = 0;  // a bit per style
};

/// "/" or "\" (italic: letter '/', no value), or "{", a letter, ":", a value and "}".
struct CodeGroup {
    char letter;
    std::string_view value;
    std::size_t length;  // of the whole code, braces included
};

/// Reads the code at the very start of `text` into `code`; false, leaving `code` anyhow,
/// when the text begins otherwise. Inline and written field by field, so that a caller's
/// code is not copied whole from separate stores, which stalls.
inline bool readCode(std::string_view text, CodeGroup& code) {
    if (!text.empty() && (text[0] == '/' || text[0] == '\\')) {
        code = {'/', {}, 1};
        return true;
    }
    if (text.size() < 4 || text[0] != '{' || !Ascii::isLetter(text[1]) || text[2] != ':')
        return false;
    // Nearly every value is short: its brace is in the next word, found without a call.
    const bool word = text.size() >= 11;
    const std::uint64_t braces =
        word ? ByteWords::bytesEqual(ByteWords::load(text.data() + 3), '}') : 0;
    const std::size_t brace =
        braces ? 3 + ByteWords::firstMarked(braces) : text.find('}', word ? 11 : 3);
    if (brace == std::string_view::npos) return false;
    code = {text[1], text.substr(3, brace - 3), brace + 1};
    return true;
}

/// The code at the very start of `text`; none when the text begins otherwise.
inline std::optional<CodeGroup> codeAt(std::string_view text) {
    CodeGroup code;
    if (!readCode(text, code)) return std::nullopt;
    return code;
}

/// Whether `code` means something in `reading`, the code letter in either case, and what it
/// opens (the tags of OverlayText.h):
///   /: italic
///   y: the styles of its letters (kStyleTags; leniently also those marked lenientOnly).
///      Later letters outermost, other letters ignored. By default letters may repeat;
///      leniently a style already open in the scope is not opened again
///   c: "$BBGGRR" or "#BBGGRR", six hex digits → a colour, red first
///   f (lenient): a name → a face, escaped by kFaceEscapes
///   s (lenient): digits → a size
///   any other letter: by default not a code; leniently removed without mark-up
/// False for a code that is not one of `reading` or not well formed.
[[nodiscard]] bool isCode(const CodeGroup& code, MicroDVDReading reading);

/// Writes a colour tag up to its attribute's end for a colour code's value, "$BBGGRR" or
/// "#BBGGRR" (isCode): files write blue, green, red; the tag wants red first.
template <class Out>
void writeColourOpening(std::string_view value, Out& out) {
    out.append(OverlayText::kColourOpening)
        .append(value.substr(5, 2))
        .append(value.substr(3, 2))
        .append(value.substr(1, 2));
}

/// Writes to `out` what `code` opens and adds its closings to `scope`. False, writing
/// nothing, when the code is not one (isCode). `Out` is a std::string, a CountingOutput or
/// a FixedOutput.
template <class Out>
bool openCode(const CodeGroup& code, MicroDVDReading reading, ScopeTags& scope, Out& out);

/// Writes the closings of `scope` to `out`, the last opened first.
template <class Out>
void closeTags(const ScopeTags& scope, Out& out);

}  // namespace Tork
