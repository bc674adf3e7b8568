#include "microdvd/CodeTable.h"

#include "text/Ascii.h"

#include <algorithm>
#include <iterator>

namespace Tork {
namespace {

struct Style {
    char letter;
    std::string_view open, close;
    bool lenientOnly;
};

constexpr Style kStyles[] = {{'i', "<i>", "</i>", false},
                             {'b', "<b>", "</B>", false},
                             {'u', "<u>", "</u>", true},
                             {'s', "<s>", "</s>", true}};

void styles(std::string_view letters, MicroDVDReading reading, ScopeTags& scope) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    bool seen[std::size(kStyles)] = {};
    // Each letter wraps what the earlier ones opened, so the last letter's tags are outermost.
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        for (std::size_t i = 0; i < std::size(kStyles); ++i) {
            const Style& style = kStyles[i];
            if (Ascii::lower(*letter) != style.letter || (style.lenientOnly && !lenient) ||
                (lenient && seen[i]))
                continue;
            seen[i] = true;
            scope.add(style.open, style.close);
        }
    }
}

// Only hex digits are reordered: anything else would reach the host's renderer inside the
// tag (quotes, angle brackets) or split a character into ill-formed UTF-8. Files write
// colours blue, green, red; the tag wants red, green, blue.
bool colour(std::string_view value, ScopeTags& scope) {
    if (value.size() != 7 || (value[0] != '$' && value[0] != '#') ||
        !std::all_of(value.begin() + 1, value.end(), Ascii::isHexDigit))
        return false;
    scope.opening.append("<font color=\"#")
        .append(value.substr(5, 2))
        .append(value.substr(3, 2))
        .append(value.substr(1, 2));
    scope.add("\">", "</font>");
    return true;
}

// The name reaches the host's renderer inside an attribute.
bool face(std::string_view name, ScopeTags& scope) {
    if (name.empty()) return false;
    scope.opening += "<font face=\"";
    for (const char c : name) {
        switch (c) {
            case '&':
                scope.opening += "&amp;";
                break;
            case '<':
                scope.opening += "&lt;";
                break;
            case '>':
                scope.opening += "&gt;";
                break;
            case '"':
                scope.opening += "&quot;";
                break;
            default:
                scope.opening += c;
        }
    }
    scope.add("\">", "</font>");
    return true;
}

bool size(std::string_view digits, ScopeTags& scope) {
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), Ascii::isDigit)) return false;
    scope.opening.append("<font size=\"").append(digits);
    scope.add("\">", "</font>");
    return true;
}

}  // namespace

std::optional<CodeGroup> codeGroupAt(std::string_view text) {
    if (text.size() < 4 || text[0] != '{' || !Ascii::isLetter(text[1]) || text[2] != ':')
        return std::nullopt;
    const std::size_t brace = text.find('}', 3);
    if (brace == std::string_view::npos) return std::nullopt;
    return CodeGroup{text[1], text.substr(3, brace - 3), brace + 1};
}

void addItalic(ScopeTags& scope) {
    scope.add("<i>", "</i>");
}

bool addCodeTags(const CodeGroup& code, MicroDVDReading reading, ScopeTags& scope) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    switch (Ascii::lower(code.letter)) {
        case 'y':
            styles(code.value, reading, scope);
            return true;
        case 'c':
            return colour(code.value, scope);
        case 'f':
            return lenient && face(code.value, scope);
        case 's':
            return lenient && size(code.value, scope);
        default:
            return lenient;  // position, font set, charset and the rest mean nothing here
    }
}

}  // namespace Tork
