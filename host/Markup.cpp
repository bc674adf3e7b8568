#include "host/Markup.h"

#include "microdvd/OverlayText.h"
#include "text/Ascii.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>

namespace Tork::Host {

namespace {

using Style = MarkupSpan::Style;

// A pattern of lower-case ASCII matched in any letter case a word at a time: the text's
// bytes are ORed with the case bit where the pattern has a letter, which makes an upper-case
// letter lower and changes no match elsewhere. Two words cover it, the first bytes and the
// last, overlapping when it is shorter than both.
template <typename Word>
class NoCase {
public:
    consteval explicit NoCase(std::string_view pattern) : size_(pattern.size()) {
        if (size_ < sizeof(Word) || size_ > 2 * sizeof(Word)) throw "a pattern of one or two words";
        for (std::size_t i = 0; i < sizeof(Word); ++i) {
            add(head_, headFold_, i, pattern[i]);
            add(tail_, tailFold_, i, pattern[size_ - sizeof(Word) + i]);
        }
    }
    constexpr std::size_t size() const { return size_; }
    bool at(std::string_view text, std::size_t from) const {
        if (text.size() - from < size_) return false;
        const char* const bytes = text.data() + from;
        return (load(bytes) | headFold_) == head_ &&
               (load(bytes + size_ - sizeof(Word)) | tailFold_) == tail_;
    }

private:
    static Word load(const char* bytes) {
        Word word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
    // Byte `i` of a word as load() reads it from memory.
    static consteval void add(Word& word, Word& fold, std::size_t i, char byte) {
        const std::size_t shift =
            8 * (std::endian::native == std::endian::little ? i : sizeof(Word) - 1 - i);
        word |= static_cast<Word>(static_cast<unsigned char>(byte)) << shift;
        if (byte >= 'a' && byte <= 'z') fold |= static_cast<Word>(0x20) << shift;
    }

    std::size_t size_;
    Word head_ = 0, headFold_ = 0, tail_ = 0, tailFold_ = 0;
};

constexpr NoCase<std::uint64_t> kColourHead(OverlayText::kColourOpening);
constexpr NoCase<std::uint32_t> kFontHead(OverlayText::kFontStart);
constexpr NoCase<std::uint32_t> kFontClose(OverlayText::kFontClosing);
constexpr NoCase<std::uint32_t> kFace(OverlayText::attributeName(OverlayText::kFaceOpening));
constexpr NoCase<std::uint32_t> kSize(OverlayText::attributeName(OverlayText::kSizeOpening));

// Spans number their styles as the plug-in's table does, and a style's tags are its letter
// between "<" or "</" and ">", told by that one letter in either case.
constexpr bool styleTagsByLetter() {
    for (const OverlayText::StyleTag& tag : OverlayText::kStyleTags) {
        const auto lower = [](char c) { return static_cast<char>(c | 0x20); };
        if (tag.opening.size() != 3 || tag.opening[0] != '<' || tag.opening[1] != tag.letter ||
            tag.opening[2] != '>' || tag.closing.size() != 4 || tag.closing.substr(0, 2) != "</" ||
            lower(tag.closing[2]) != tag.letter || tag.closing[3] != '>')
            return false;
    }
    return true;
}
static_assert(styleTagsByLetter());
static_assert(static_cast<std::size_t>(Style::Font) == OverlayText::kStyleCount);
static_assert(OverlayText::styleOf('i') == static_cast<std::size_t>(Style::Italic) &&
              OverlayText::styleOf('b') == static_cast<std::size_t>(Style::Bold) &&
              OverlayText::styleOf('u') == static_cast<std::size_t>(Style::Underline) &&
              OverlayText::styleOf('s') == static_cast<std::size_t>(Style::Strike));

// all_of calls this one inline; handed Ascii::isHexDigit itself, it called it through a
// pointer, once a byte.
bool isHex(char c) {
    return Ascii::isHexDigit(c);
}

struct Tag {
    bool opens;
    MarkupSpan span;
    std::size_t length;
};

std::size_t styleIndex(Style style) {
    return static_cast<std::size_t>(style);
}

// Where the next `"` is from `from` on, before any "<" or ">": none when a tag's bracket comes
// first. A quote that never closes then costs the bytes up to the next tag, not the rest of
// the text once for every "<font " in it.
std::size_t quoteAt(std::string_view text, std::size_t from, std::size_t& searched) {
    const std::size_t found = text.find_first_of("\"<>", from);
    searched += (found == std::string_view::npos ? text.size() : found + 1) - from;
    return found != std::string_view::npos && text[found] == '"' ? found : std::string_view::npos;
}

// `<font NAME="VALUE">` with one of the attributes the plug-in writes, which escapes "<" and
// ">" in a value.
std::optional<Tag> fontAt(std::string_view text, std::size_t at, std::size_t& searched) {
    // The plug-in copies the six bytes of a colour code whatever they are.
    constexpr std::size_t digits = OverlayText::kColourDigits;
    constexpr std::size_t colourLength =
        kColourHead.size() + digits + OverlayText::kAttributeEnd.size();
    if (kColourHead.at(text, at) && text.size() - at >= colourLength &&
        text[at + colourLength - 2] == '"' && text[at + colourLength - 1] == '>') {
        std::string_view colour = text.substr(at + kColourHead.size(), digits);
        if (!std::all_of(colour.begin(), colour.end(), isHex)) colour = {};
        return Tag{true, {Style::Font, colour, {}, {}}, colourLength};
    }
    if (!kFontHead.at(text, at)) return std::nullopt;
    const std::size_t name = at + kFontHead.size();
    const std::size_t quote = quoteAt(text, name, searched);
    if (quote == std::string_view::npos || quote == name || text[quote - 1] != '=') {
        return std::nullopt;
    }
    const std::size_t end = quoteAt(text, quote + 1, searched);
    if (end == std::string_view::npos || end + 1 >= text.size() || text[end + 1] != '>') {
        return std::nullopt;
    }
    const std::string_view value = text.substr(quote + 1, end - quote - 1);
    const std::size_t nameLength = quote - 1 - name;
    Tag tag{true, {Style::Font, {}, {}, {}}, end + 2 - at};
    if (nameLength == 4 && kFace.at(text, name)) {
        tag.span.face = value;
    } else if (nameLength == 4 && kSize.at(text, name)) {
        if (!value.empty() && std::all_of(value.begin(), value.end(), Ascii::isDigit)) {
            tag.span.size = value;
        }
    } else {
        return std::nullopt;
    }
    return tag;
}

std::optional<Tag> tagAt(std::string_view text, std::size_t at, std::size_t& searched) {
    // Told apart by the letter after "<" or "</" rather than tried pattern by pattern.
    const bool closes = at + 1 < text.size() && text[at + 1] == '/';
    const std::size_t letter = at + 1 + (closes ? 1 : 0);
    if (letter + 1 >= text.size()) return std::nullopt;
    if (text[letter + 1] == '>') {
        const std::size_t style = OverlayText::styleOf(text[letter]);
        if (style == OverlayText::kStyleCount) return std::nullopt;
        return Tag{!closes, {static_cast<Style>(style), {}, {}, {}}, letter + 2 - at};
    }
    if (closes) {
        if (!kFontClose.at(text, at)) return std::nullopt;
        return Tag{false, {Style::Font, {}, {}, {}}, kFontClose.size()};
    }
    return fontAt(text, at, searched);
}

}  // namespace

std::string unescapedFace(std::string_view face) {
    // The plug-in's, and the apostrophe's, which it never writes.
    static constexpr auto kEntities = [] {
        std::array<OverlayText::Escape, std::size(OverlayText::kFaceEscapes) + 1> entities{};
        std::copy(std::begin(OverlayText::kFaceEscapes), std::end(OverlayText::kFaceEscapes),
                  entities.begin());
        entities.back() = {'\'', "&apos;"};
        return entities;
    }();
    std::string plain;
    for (std::size_t at = 0; at < face.size();) {
        const auto entity = std::find_if(
            kEntities.begin(), kEntities.end(),
            [&](const auto& known) { return face.substr(at).starts_with(known.entity); });
        plain += entity == kEntities.end() ? face[at] : entity->character;
        at += entity == kEntities.end() ? 1 : entity->entity.size();
    }
    return plain;
}

void MarkupReader::read(std::string_view text, MarkupSink& sink) {
    open_.clear();
    openCount_.fill(0);
    searched_ = 0;
    const auto nextTag = [&](std::size_t from) {
        const std::size_t found = text.find('<', from);
        searched_ += (found == std::string_view::npos ? text.size() : found + 1) - from;
        return found;
    };
    std::size_t plainFrom = 0;
    for (std::size_t at = nextTag(0); at != std::string_view::npos;) {
        const auto tag = tagAt(text, at, searched_);
        // A closing tag with nothing of its kind open is text; the count says so at once.
        if (!tag || (!tag->opens && openCount_[styleIndex(tag->span.style)] == 0)) {
            at = nextTag(at + 1);
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
        at = nextTag(plainFrom);
    }
    if (plainFrom < text.size()) sink.text(text.substr(plainFrom));
    while (!open_.empty()) {
        sink.close(open_.back());
        open_.pop_back();
    }
}

}  // namespace Tork::Host
