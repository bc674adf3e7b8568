#include "microdvd/CodeTable.h"

#include "microdvd/OverlayText.h"
#include "text/Ascii.h"
#include "text/TextOutput.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

namespace Tork {
namespace {

using OverlayText::kStyleTags;

// How the tags close, by the byte a scope keeps of each: a style's by its index, a font's
// after them.
constexpr std::uint8_t kFontClosing = OverlayText::kStyleCount;
constexpr auto kClosings = [] {
    std::array<std::string_view, OverlayText::kStyleCount + 1> closings{};
    for (std::size_t i = 0; i < OverlayText::kStyleCount; ++i) closings[i] = kStyleTags[i].closing;
    closings[kFontClosing] = OverlayText::kFontClosing;
    return closings;
}();

// Lambdas, not the functions themselves: through a pointer the test was a call per byte.
bool isColour(std::string_view value) {
    return value.size() == 7 && (value[0] == '$' || value[0] == '#') &&
           std::all_of(value.begin() + 1, value.end(), [](char c) { return Ascii::isHexDigit(c); });
}

bool isSize(std::string_view digits) {
    return !digits.empty() &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return Ascii::isDigit(c); });
}

// Leniently a style already open in the scope is not opened again: nested, it would look
// the same, and a line of slashes would otherwise cost seven bytes of mark-up for each.
template <class Out>
void openStyle(std::size_t style, MicroDVDReading reading, ScopeTags& scope, Out& out) {
    if (reading == MicroDVDReading::Lenient) {
        if (scope.styles & (1u << style)) return;
        scope.styles |= 1u << style;
    }
    out += kStyleTags[style].opening;
    scope.closing.push_back(static_cast<std::uint8_t>(style));
}

// Each letter wraps what the earlier ones opened, so the last letter's tags are outermost.
template <class Out>
void openStyles(std::string_view letters, MicroDVDReading reading, ScopeTags& scope, Out& out) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        for (std::size_t i = 0; i < std::size(kStyleTags); ++i) {
            if (Ascii::lower(*letter) == kStyleTags[i].letter &&
                (lenient || !kStyleTags[i].lenientOnly))
                openStyle(i, reading, scope, out);
        }
    }
}

// The name reaches the host's renderer inside an attribute.
constexpr auto kEntities = [] {
    std::array<std::string_view, 256> entities{};
    for (const auto& [character, entity] : OverlayText::kFaceEscapes)
        entities[static_cast<unsigned char>(character)] = entity;
    return entities;
}();

template <class Out>
void writeEscaped(std::string_view name, Out& out) {
    for (const char c : name) {
        const std::string_view entity = kEntities[static_cast<unsigned char>(c)];
        if (entity.empty()) {
            out += c;
        } else {
            out += entity;
        }
    }
}

}  // namespace

bool isCode(const CodeGroup& code, MicroDVDReading reading) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    switch (Ascii::lower(code.letter)) {
        case '/':
        case 'y':
            return true;
        case 'c':
            // Only hex digits are reordered: anything else would reach the host's renderer
            // inside the tag (quotes, angle brackets) or split a character into ill-formed
            // UTF-8.
            return isColour(code.value);
        case 'f':
            return lenient && !code.value.empty();
        case 's':
            return lenient && isSize(code.value);
        default:
            return lenient;  // position, font set, charset and the rest mean nothing here
    }
}

template <class Out>
bool openCode(const CodeGroup& code, MicroDVDReading reading, ScopeTags& scope, Out& out) {
    if (!isCode(code, reading)) return false;
    switch (Ascii::lower(code.letter)) {
        case '/':
            openStyle(OverlayText::kItalic, reading, scope, out);
            return true;
        case 'y':
            openStyles(code.value, reading, scope, out);
            return true;
        case 'c':
            writeColourOpening(code.value, out);
            break;
        case 'f':
            out.append(OverlayText::kFaceOpening);
            writeEscaped(code.value, out);
            break;
        case 's':
            out.append(OverlayText::kSizeOpening).append(code.value);
            break;
        default:
            return true;
    }
    out.append(OverlayText::kAttributeEnd);
    scope.closing.push_back(kFontClosing);
    return true;
}

template <class Out>
void closeTags(const ScopeTags& scope, Out& out) {
    for (auto tag = scope.closing.rbegin(); tag != scope.closing.rend(); ++tag)
        out += kClosings[*tag];
}

template bool openCode(const CodeGroup&, MicroDVDReading, ScopeTags&, std::string&);
template bool openCode(const CodeGroup&, MicroDVDReading, ScopeTags&, CountingOutput&);
template bool openCode(const CodeGroup&, MicroDVDReading, ScopeTags&, FixedOutput&);
template void closeTags(const ScopeTags&, std::string&);
template void closeTags(const ScopeTags&, CountingOutput&);
template void closeTags(const ScopeTags&, FixedOutput&);

}  // namespace Tork
