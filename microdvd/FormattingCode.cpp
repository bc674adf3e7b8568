#include "microdvd/FormattingCode.h"

#include <cctype>

namespace Tork {
namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string wrap(std::string_view open, std::string_view body, std::string_view close) {
    std::string out;
    out.reserve(open.size() + body.size() + close.size());
    out.append(open).append(body).append(close);
    return out;
}

std::string styled(std::string_view text, std::size_t brace) {
    std::string out(text.substr(brace + 1));
    for (std::size_t i = 3; i < brace; ++i) {
        const char letter = lower(text[i]);
        if (letter == 'i') out = wrap("<i>", out, "</i>");
        if (letter == 'b') out = wrap("<b>", out, "</B>");
    }
    return out;
}

// Files write colours blue, green, red; the tag wants red, green, blue.
std::string coloured(std::string_view text) {
    std::string out = "<font color=\"#";
    out.append(text.substr(8, 2)).append(text.substr(6, 2)).append(text.substr(4, 2));
    out.append("\">").append(text.substr(11)).append("</font>");
    return out;
}

}  // namespace

std::string translateFormattingCode(std::string_view text) {
    if (!text.empty() && (text[0] == '/' || text[0] == '\\'))
        return wrap("<i>", text.substr(1), "</i>");
    if (text.size() < 3 || text[0] != '{' || text[2] != ':') return std::string(text);
    const std::size_t brace = text.find('}');
    if (brace == std::string_view::npos) return std::string(text);
    const char code = lower(text[1]);
    if (code == 'y' && brace <= 5) return styled(text, brace);
    if (code == 'c' && brace == 10 && (text[3] == '$' || text[3] == '#')) return coloured(text);
    return std::string(text);
}

}  // namespace Tork
