#include "microdvd/LineCodes.h"

#include "text/TextOutput.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace Tork {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isLetter(char c) {
    return lower(c) >= 'a' && lower(c) <= 'z';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

// How the tags close, by the index that a scope keeps of each: a byte rather than the text,
// since a line of codes may open a tag for every few bytes of a file.
constexpr std::string_view kClosings[] = {"</i>", "</B>", "</u>", "</s>", "</font>"};
constexpr std::uint8_t kFontClosing = 4;

// What one scope has open: the styles, each opened once, and how its tags close in turn.
struct Scope {
    unsigned styles = 0;  // a bit per kStyles row
    std::vector<std::uint8_t>& closing;
};

struct Code {
    char letter;  // '/' for a slash or a backslash
    std::string_view value;
    std::size_t length;
};

// A slash, or "{", a letter, ":", a value and "}", at the start of `text`.
std::optional<Code> codeAt(std::string_view text) {
    if (!text.empty() && (text[0] == '/' || text[0] == '\\')) return Code{'/', {}, 1};
    if (text.size() < 4 || text[0] != '{' || !isLetter(text[1]) || text[2] != ':')
        return std::nullopt;
    const std::size_t brace = text.find('}', 3);
    if (brace == std::string_view::npos) return std::nullopt;
    return Code{text[1], text.substr(3, brace - 3), brace + 1};
}

// Lower-case codes (and slashes) cover their line, upper-case ones the rest of the entry.
bool coversLine(const Code& code) {
    return lower(code.letter) == code.letter;
}

bool isColour(std::string_view value) {
    return value.size() == 7 && (value[0] == '$' || value[0] == '#') &&
           std::all_of(value.begin() + 1, value.end(), isHexDigit);
}

// Whether the code counts; the run of codes ends at the first that does not.
bool isWellFormed(const Code& code) {
    switch (lower(code.letter)) {
        case 'c':
            return isColour(code.value);
        case 'f':
            return !code.value.empty();
        case 's':
            return !code.value.empty() &&
                   std::all_of(code.value.begin(), code.value.end(), isDigit);
        default:
            return true;
    }
}

struct Style {
    char letter;
    std::string_view open;
    std::uint8_t closing;
};
constexpr Style kStyles[] = {{'i', "<i>", 0}, {'b', "<b>", 1}, {'u', "<u>", 2}, {'s', "<s>", 3}};

// A style already open in the scope is not opened again: nested, it would look the same,
// and a line of slashes would otherwise cost seven bytes of mark-up for each.
template <class Out>
void openStyle(std::size_t style, Scope& scope, Out& out) {
    if (scope.styles & (1u << style)) return;
    scope.styles |= 1u << style;
    out += kStyles[style].open;
    scope.closing.push_back(kStyles[style].closing);
}

// Later letters outermost, as the default reading nests them.
template <class Out>
void openStyles(std::string_view letters, Scope& scope, Out& out) {
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        for (std::size_t i = 0; i < std::size(kStyles); ++i)
            if (lower(*letter) == kStyles[i].letter) openStyle(i, scope, out);
    }
}

// The name reaches the host's renderer inside an attribute.
template <class Out>
void writeEscaped(std::string_view name, Out& out) {
    for (const char c : name) {
        switch (c) {
            case '&':
                out += std::string_view("&amp;");
                break;
            case '<':
                out += std::string_view("&lt;");
                break;
            case '>':
                out += std::string_view("&gt;");
                break;
            case '"':
                out += std::string_view("&quot;");
                break;
            default:
                out += c;
        }
    }
}

// Writes what a well-formed `code` opens.
template <class Out>
void open(const Code& code, Scope& scope, Out& out) {
    switch (lower(code.letter)) {
        case '/':
            openStyle(0, scope, out);
            return;
        case 'y':
            openStyles(code.value, scope, out);
            return;
        case 'c':  // files write colours blue, green, red; the tag wants red, green, blue
            out.append("<font color=\"#")
                .append(code.value.substr(5, 2))
                .append(code.value.substr(3, 2))
                .append(code.value.substr(1, 2));
            break;
        case 'f':
            out.append("<font face=\"");
            writeEscaped(code.value, out);
            break;
        case 's':
            out.append("<font size=\"").append(code.value);
            break;
        default:
            return;  // position, font set, charset and the rest mean nothing here
    }
    out.append("\">");
    scope.closing.push_back(kFontClosing);
}

// Opens the tags of the codes in `run` that belong to the scope.
template <class Out>
void openScope(std::string_view run, bool lineScope, Scope& scope, Out& out) {
    while (const auto code = codeAt(run)) {
        if (coversLine(*code) == lineScope) open(*code, scope, out);
        run.remove_prefix(code->length);
    }
}

}  // namespace

void translateLineCodes(std::string_view text, std::string& out) {
    LineCodeTranslator().translate(text, out);
}

void LineCodeTranslator::translate(std::string_view text, std::string& out) {
    out.clear();
    write(text, out);
}

template <class Out>
void LineCodeTranslator::write(std::string_view text, Out& out) {
    // A line opens the tags of its upper-case codes before those of its lower-case ones, so
    // what closes at the end of the line always lies inside what stays open. The codes are
    // read again for each scope rather than their tags kept.
    Scope later{0, closingLater_};
    closingLater_.clear();
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        std::string_view rest = line;
        while (const auto code = codeAt(rest)) {
            if (!isWellFormed(*code)) break;
            rest.remove_prefix(code->length);
        }
        const std::string_view run = line.substr(0, line.size() - rest.size());
        openScope(run, /*lineScope*/ false, later, out);
        lineClosing_.clear();
        Scope own{0, lineClosing_};
        openScope(run, /*lineScope*/ true, own, out);
        out.append(rest);
        for (auto tag = lineClosing_.rbegin(); tag != lineClosing_.rend(); ++tag)
            out += kClosings[*tag];
        if (end == text.size()) break;
        out += '\n';
        start = end + 1;
    }
    for (auto tag = closingLater_.rbegin(); tag != closingLater_.rend(); ++tag)
        out += kClosings[*tag];
}

template void LineCodeTranslator::write(std::string_view, std::string&);
template void LineCodeTranslator::write(std::string_view, CountingOutput&);
template void LineCodeTranslator::write(std::string_view, FixedOutput&);

}  // namespace Tork
