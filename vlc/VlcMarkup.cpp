#include "vlc/VlcMarkup.h"

#include "host/Markup.h"
#include "text/Utf.h"

#include <charconv>

namespace Tork::Vlc {

namespace {

using Host::MarkupSpan;
using Style = MarkupSpan::Style;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kWordJoiner = "\xE2\x81\xA0";
constexpr unsigned kLargestSize = 1000;

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// subsdec takes '<' for a tag when a letter or '/' follows it after blanks; a byte beyond
// ASCII counts too, since isalpha() of some locales takes one.
bool opensTag(std::string_view rest) {
    const std::size_t next = rest.find_first_not_of(' ');
    if (next == std::string_view::npos) return false;
    const char c = rest[next];
    return isAsciiLetter(c) || c == '/' || static_cast<unsigned char>(c) >= 0x80;
}

// "{\...}" is hidden as an SSA override, "{x:...}" read as a MicroDVD code.
bool opensCode(std::string_view rest) {
    return (!rest.empty() && rest[0] == '\\') || (rest.size() >= 2 && rest[1] == ':');
}

// "\n" and "\N" break the line, "\h" and "\H" are a no-break space.
bool opensEscape(std::string_view rest) {
    return !rest.empty() && (rest[0] == 'n' || rest[0] == 'N' || rest[0] == 'h' || rest[0] == 'H');
}

// The text between tags; what follows it is a tag or the end, neither of which completes
// a tag, a code or an escape, so each is recognised within the run.
void appendText(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const std::string_view rest = text.substr(i + 1);
        if (c == '<' || c == '{' || c == '\\') {
            out += c;
            if ((c == '<' && opensTag(rest)) || (c == '{' && opensCode(rest)) ||
                (c == '\\' && opensEscape(rest))) {
                out += kWordJoiner;
            }
        } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            // A zero would end the decoder's text; the others draw as nothing useful.
            out += kReplacement;
        } else {
            out += c;
        }
    }
}

// The face as the attribute's value, quoted with a quote it does not hold; nothing when it
// holds both, which the decoder could not read back. Inside the quotes only the quote ends
// the value, so the text is kept as it is but for control characters.
std::string faceAttribute(std::string_view escaped) {
    std::string face = Host::unescapedFace(escaped);
    const char quote = face.find('"') == std::string::npos    ? '"'
                       : face.find('\'') == std::string::npos ? '\''
                                                              : '\0';
    if (quote == '\0') return {};
    for (char& c : face) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return std::string(" face=") + quote + face + quote;
}

std::string sizeAttribute(std::string_view size) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), value);
    if (error != std::errc() || end != size.data() + size.size() || value == 0 ||
        value > kLargestSize) {
        return {};
    }
    return " size=\"" + std::to_string(value) + "\"";
}

std::string fontOpening(const MarkupSpan& span) {
    std::string attribute;
    if (!span.colour.empty()) {
        attribute = " color=\"#" + std::string(span.colour) + "\"";
    } else if (!span.face.empty()) {
        attribute = faceAttribute(span.face);
    } else if (!span.size.empty()) {
        attribute = sizeAttribute(span.size);
    }
    return "<font" + attribute + ">";
}

class VlcSink : public Host::MarkupSink {
public:
    explicit VlcSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override { appendText(bytes, out_); }
    void open(const MarkupSpan& span) override {
        if (span.style == Style::Font) {
            out_ += fontOpening(span);
        } else {
            out_.append("<").append(kNames[static_cast<std::size_t>(span.style)]).append(">");
        }
    }
    void close(const MarkupSpan& span) override {
        out_.append("</").append(kNames[static_cast<std::size_t>(span.style)]).append(">");
    }

private:
    static constexpr std::string_view kNames[] = {"i", "b", "u", "s", "font"};
    std::string& out_;
};

}  // namespace

std::string toVlcMarkup(std::string_view text) {
    const std::string valid = replaceIllFormedUtf8(text);
    std::string out;
    out.reserve(valid.size() + valid.size() / 4);
    VlcSink sink(out);
    Host::MarkupReader().read(valid, sink);
    return out;
}

}  // namespace Tork::Vlc
