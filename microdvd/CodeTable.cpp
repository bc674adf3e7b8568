#include "microdvd/CodeTable.h"

#include "text/Ascii.h"
#include "text/TextOutput.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace Tork {
namespace {

using namespace std::string_view_literals;

// How the tags close, by the byte a scope keeps of each.
constexpr std::string_view kClosings[] = {"</i>", "</B>", "</u>", "</s>", "</font>"};
constexpr std::uint8_t kFontClosing = 4;

struct Style {
    char letter;
    std::string_view open;
    std::uint8_t closing;
    bool lenientOnly;
};

constexpr Style kStyles[] = {
    {'i', "<i>", 0, false}, {'b', "<b>", 1, false}, {'u', "<u>", 2, true}, {'s', "<s>", 3, true}};
constexpr std::size_t kItalic = 0;

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
    out += kStyles[style].open;
    scope.closing.push_back(kStyles[style].closing);
}

// Each letter wraps what the earlier ones opened, so the last letter's tags are outermost.
template <class Out>
void openStyles(std::string_view letters, MicroDVDReading reading, ScopeTags& scope, Out& out) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        for (std::size_t i = 0; i < std::size(kStyles); ++i) {
            if (Ascii::lower(*letter) == kStyles[i].letter && (lenient || !kStyles[i].lenientOnly))
                openStyle(i, reading, scope, out);
        }
    }
}

// The name reaches the host's renderer inside an attribute.
template <class Out>
void writeEscaped(std::string_view name, Out& out) {
    for (const char c : name) {
        switch (c) {
            case '&':
                out += "&amp;"sv;
                break;
            case '<':
                out += "&lt;"sv;
                break;
            case '>':
                out += "&gt;"sv;
                break;
            case '"':
                out += "&quot;"sv;
                break;
            default:
                out += c;
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
            openStyle(kItalic, reading, scope, out);
            return true;
        case 'y':
            openStyles(code.value, reading, scope, out);
            return true;
        case 'c':
            writeColourOpening(code.value, out);
            break;
        case 'f':
            out.append("<font face=\""sv);
            writeEscaped(code.value, out);
            break;
        case 's':
            out.append("<font size=\""sv).append(code.value);
            break;
        default:
            return true;
    }
    out.append("\">"sv);
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
