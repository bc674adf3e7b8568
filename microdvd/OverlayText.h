// What a text of the plug-in's overlay stream may hold: the tags of its mark-up and the bytes
// around them. The plug-in writes by these tables and hosts read by them, so a tag is spelled
// here and nowhere else. Only the standard library, so that any host can include it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace Tork::OverlayText {

/// A style that a formatting code opens around the text it covers: the code's letter
/// ("{y:b}", in either case; "/" and "\" open italic) and the two tags.
struct StyleTag {
    char letter;
    std::string_view opening, closing;
    bool lenientOnly;  // handed out only by the lenient reading
};

/// Indexed by style, in the order hosts number them (Host::MarkupSpan::Style). Tags are the
/// letter in angle brackets, which lets a reader tell them apart by one byte.
inline constexpr StyleTag kStyleTags[] = {
    {'i', "<i>", "</i>", false},
    {'b', "<b>", "</B>", false},  // upper case: hosts have always been handed it so
    {'u', "<u>", "</u>", true},
    {'s', "<s>", "</s>", true},
};
inline constexpr std::size_t kStyleCount = std::size(kStyleTags);

/// The index in kStyleTags of a code letter in either case, or kStyleCount for none.
constexpr std::size_t styleOf(char letter) {
    const char lower =
        letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter + ('a' - 'A')) : letter;
    std::size_t style = 0;
    while (style < kStyleCount && kStyleTags[style].letter != lower) ++style;
    return style;
}
inline constexpr std::size_t kItalic = styleOf('i');

/// Fonts: one attribute a tag, its value between double quotes, then kAttributeEnd.
inline constexpr std::string_view kFontStart = "<font ";
inline constexpr std::string_view kColourOpening = "<font color=\"#";  // then kColourDigits
inline constexpr std::size_t kColourDigits = 6;  // hexadecimal, either case, red first
inline constexpr std::string_view kFaceOpening = "<font face=\"";  // lenient: a name, escaped
inline constexpr std::string_view kSizeOpening = "<font size=\"";  // lenient: decimal digits
inline constexpr std::string_view kAttributeEnd = "\">";
inline constexpr std::string_view kFontClosing = "</font>";

/// An attribute's name as its opening spells it: "color", "face", "size".
constexpr std::string_view attributeName(std::string_view opening) {
    opening.remove_prefix(kFontStart.size());
    return opening.substr(0, opening.find('='));
}

/// What a face's name has in place of each character that would end its attribute or a tag.
/// Nothing else in a text is escaped.
struct Escape {
    char character;
    std::string_view entity;
};
inline constexpr Escape kFaceEscapes[] = {
    {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};

// Tags close in the reverse order of their opening, so the mark-up is always well nested; it
// stands before and after the text a file gave, which comes as it was written. A file's own
// "<i>" is therefore not told from the plug-in's: a reader takes what spells a tag for one and
// anything else for text.

/// Every text is well-formed UTF-8: what a file held that was not shows as U+FFFD.
inline constexpr bool kWellFormedUtf8 = true;

/// A line break within a text: the file's "|", as a line feed.
inline constexpr char kLineBreak = '\n';

/// The C0 control bytes a text may hold, bit n for byte n: all but NUL, which ends the
/// default reading and shows as U+FFFD in the lenient one, and CR, which ends a file's line.
/// Tabs and the rest come as the file wrote them, as do DEL and the C1 controls; a host that
/// shows text replaces what it cannot show.
inline constexpr std::uint32_t kControlsInText = ~(1u << '\0' | 1u << '\r');

/// Whether a text may hold the byte as far as controls go: any byte from 0x20 up, and the C0
/// controls of kControlsInText.
constexpr bool mayHold(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value >= 0x20 || (kControlsInText >> value & 1u) != 0;
}

}  // namespace Tork::OverlayText
