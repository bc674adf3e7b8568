#include "microdvd/FormattingCode.h"

#include "text/TextOutput.h"

#include <algorithm>

namespace Tork {
namespace {

using namespace std::string_view_literals;

// ASCII only, as the codes are: the C library's would ask the locale for every letter.
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Each letter wraps what the earlier ones made, so the last letter's tags are outermost.
template <class Out>
void styled(std::string_view text, std::size_t brace, Out& out) {
    const std::string_view letters = text.substr(3, brace - 3);
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        if (lower(*letter) == 'i') out += "<i>"sv;
        if (lower(*letter) == 'b') out += "<b>"sv;
    }
    out += text.substr(brace + 1);
    for (char letter : letters) {
        if (lower(letter) == 'i') out += "</i>"sv;
        if (lower(letter) == 'b') out += "</B>"sv;
    }
}

// Only hex digits are reordered: anything else would reach the host's renderer inside the
// tag (quotes, angle brackets) or split a character into ill-formed UTF-8.
bool isHex(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'f');
    });
}

// Files write colours blue, green, red; the tag wants red, green, blue.
template <class Out>
void coloured(std::string_view text, Out& out) {
    out += "<font color=\"#"sv;
    out.append(text.substr(8, 2)).append(text.substr(6, 2)).append(text.substr(4, 2));
    out.append("\">"sv).append(text.substr(11)).append("</font>"sv);
}

}  // namespace

void translateFormattingCode(std::string_view text, std::string& out) {
    out.clear();
    writeFormattingCode(text, out);
}

template <class Out>
void writeFormattingCode(std::string_view text, Out& out) {
    if (!text.empty() && (text[0] == '/' || text[0] == '\\')) {
        out.append("<i>"sv).append(text.substr(1)).append("</i>"sv);
        return;
    }
    const std::size_t brace = text.size() >= 3 && text[0] == '{' && text[2] == ':'
                                  ? text.find('}')
                                  : std::string_view::npos;
    const char code = brace == std::string_view::npos ? '\0' : lower(text[1]);
    if (code == 'y' && brace <= 5) {
        styled(text, brace, out);
    } else if (code == 'c' && brace == 10 && (text[3] == '$' || text[3] == '#') &&
               isHex(text.substr(4, 6))) {
        coloured(text, out);
    } else {
        out.append(text);
    }
}

template void writeFormattingCode(std::string_view, std::string&);
template void writeFormattingCode(std::string_view, CountingOutput&);
template void writeFormattingCode(std::string_view, FixedOutput&);

}  // namespace Tork
