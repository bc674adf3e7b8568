#include "host/Markup.h"

#include "text/Ascii.h"

#include <algorithm>
#include <optional>

namespace Tork::Host {

namespace {

using Style = MarkupSpan::Style;

bool matchesNoCase(std::string_view text, std::size_t at, std::string_view pattern) {
    if (text.size() - at < pattern.size()) return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (Ascii::lower(text[at + i]) != pattern[i]) return false;
    }
    return true;
}

struct Tag {
    bool opens;
    MarkupSpan span;
    std::size_t length;
};

std::size_t styleIndex(Style style) {
    return static_cast<std::size_t>(style);
}

// `<font NAME="VALUE">` with one of the attributes the plug-in writes.
std::optional<Tag> fontAt(std::string_view text, std::size_t at) {
    // The plug-in copies the six bytes of a colour code whatever they are.
    constexpr std::string_view colourHead = "<font color=\"#";
    constexpr std::size_t colourLength = colourHead.size() + 6 + 2;
    if (matchesNoCase(text, at, colourHead) && text.size() - at >= colourLength &&
        text.substr(at + colourHead.size() + 6, 2) == "\">") {
        std::string_view colour = text.substr(at + colourHead.size(), 6);
        if (!std::all_of(colour.begin(), colour.end(), Ascii::isHexDigit)) colour = {};
        return Tag{true, {Style::Font, colour, {}, {}}, colourLength};
    }
    constexpr std::string_view head = "<font ";
    if (!matchesNoCase(text, at, head)) return std::nullopt;
    const std::size_t name = at + head.size();
    const std::size_t quote = text.find('"', name);
    if (quote == std::string_view::npos || quote == name || text[quote - 1] != '=') {
        return std::nullopt;
    }
    const std::size_t end = text.find('"', quote + 1);
    if (end == std::string_view::npos || end + 1 >= text.size() || text[end + 1] != '>') {
        return std::nullopt;
    }
    const std::string_view value = text.substr(quote + 1, end - quote - 1);
    const std::size_t nameLength = quote - 1 - name;
    Tag tag{true, {Style::Font, {}, {}, {}}, end + 2 - at};
    if (nameLength == 4 && matchesNoCase(text, name, "face")) {
        tag.span.face = value;
    } else if (nameLength == 4 && matchesNoCase(text, name, "size")) {
        if (!value.empty() && std::all_of(value.begin(), value.end(), Ascii::isDigit)) {
            tag.span.size = value;
        }
    } else {
        return std::nullopt;
    }
    return tag;
}

std::optional<Tag> tagAt(std::string_view text, std::size_t at) {
    // Told apart by the letter after "<" or "</" rather than tried pattern by pattern.
    const bool closes = at + 1 < text.size() && text[at + 1] == '/';
    const std::size_t letter = at + 1 + (closes ? 1 : 0);
    if (letter + 1 >= text.size()) return std::nullopt;
    if (text[letter + 1] == '>') {
        static constexpr std::string_view letters = "ibus";  // in the order of Style
        const std::size_t style = letters.find(Ascii::lower(text[letter]));
        if (style == std::string_view::npos) return std::nullopt;
        return Tag{!closes, {static_cast<Style>(style), {}, {}, {}}, letter + 2 - at};
    }
    if (closes) {
        constexpr std::string_view close = "</font>";
        if (!matchesNoCase(text, at, close)) return std::nullopt;
        return Tag{false, {Style::Font, {}, {}, {}}, close.size()};
    }
    return fontAt(text, at);
}

}  // namespace

std::string unescapedFace(std::string_view face) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string plain;
    for (std::size_t at = 0; at < face.size();) {
        const auto entity = std::find_if(
            std::begin(kEntities), std::end(kEntities),
            [&](const auto& known) { return face.substr(at).starts_with(known.first); });
        plain += entity == std::end(kEntities) ? face[at] : entity->second;
        at += entity == std::end(kEntities) ? 1 : entity->first.size();
    }
    return plain;
}

void MarkupReader::read(std::string_view text, MarkupSink& sink) {
    open_.clear();
    openCount_.fill(0);
    std::size_t plainFrom = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;) {
        const auto tag = tagAt(text, at);
        // A closing tag with nothing of its kind open is text; the count says so at once.
        if (!tag || (!tag->opens && openCount_[styleIndex(tag->span.style)] == 0)) {
            at = text.find('<', at + 1);
            continue;
        }
        if (at > plainFrom) sink.text(text.substr(plainFrom, at - plainFrom));
        if (tag->opens) {
            open_.push_back(tag->span);
            ++openCount_[styleIndex(tag->span.style)];
            sink.open(tag->span);
        } else {
            // Closing an outer span closes the ones inside it too, keeping the output nested.
            for (bool closed = false; !closed;) {
                const MarkupSpan span = open_.back();
                open_.pop_back();
                --openCount_[styleIndex(span.style)];
                sink.close(span);
                closed = span.style == tag->span.style;
            }
        }
        plainFrom = at + tag->length;
        at = text.find('<', plainFrom);
    }
    if (plainFrom < text.size()) sink.text(text.substr(plainFrom));
    while (!open_.empty()) {
        sink.close(open_.back());
        open_.pop_back();
    }
}

}  // namespace Tork::Host
