#include "tools/subplay/Markup.h"

#include "text/Ascii.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace Tork::Subplay {

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
        if (!value.empty() &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            tag.span.size = value;
        }
    } else {
        return std::nullopt;
    }
    return tag;
}

std::optional<Tag> tagAt(std::string_view text, std::size_t at) {
    struct Fixed {
        std::string_view pattern;
        bool opens;
        Style style;
    };
    static constexpr Fixed fixed[] = {
        {"<i>", true, Style::Italic},    {"</i>", false, Style::Italic},
        {"<b>", true, Style::Bold},      {"</b>", false, Style::Bold},
        {"<u>", true, Style::Underline}, {"</u>", false, Style::Underline},
        {"<s>", true, Style::Strike},    {"</s>", false, Style::Strike},
        {"</font>", false, Style::Font},
    };
    for (const Fixed& tag : fixed) {
        if (matchesNoCase(text, at, tag.pattern)) {
            return Tag{tag.opens, {tag.style, {}, {}, {}}, tag.pattern.size()};
        }
    }
    return fontAt(text, at);
}

bool fontSays(const MarkupSpan& span) {
    return !span.colour.empty() || !span.face.empty() || !span.size.empty();
}

void appendEscapedForVtt(std::string_view text, std::string& out) {
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t special = std::min(text.find_first_of("&<>", from), text.size());
        out.append(text, from, special - from);
        if (special == text.size()) break;
        out += text[special] == '&' ? "&amp;" : text[special] == '<' ? "&lt;" : "&gt;";
        from = special + 1;
    }
}

// Writes each output's tags straight into the caller's text.
class SrtSink : public MarkupSink {
public:
    explicit SrtSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override { out_ += bytes; }
    void open(const MarkupSpan& span) override {
        if (span.style != Style::Font) {
            out_.append("<").append(kNames[styleIndex(span.style)]).append(">");
        } else if (!span.colour.empty()) {
            out_.append("<font color=\"#").append(span.colour).append("\">");
        } else if (!span.face.empty()) {
            out_.append("<font face=\"").append(span.face).append("\">");
        } else if (!span.size.empty()) {
            out_.append("<font size=\"").append(span.size).append("\">");
        }
    }
    void close(const MarkupSpan& span) override {
        if (span.style != Style::Font) {
            out_.append("</").append(kNames[styleIndex(span.style)]).append(">");
        } else if (fontSays(span)) {  // a font tag without a valid attribute was dropped
            out_ += "</font>";
        }
    }

private:
    static constexpr std::string_view kNames[] = {"i", "b", "u", "s"};
    std::string& out_;
};

// WebVTT has italic, bold and underline; colours, faces, sizes and strike-through go.
class VttSink : public MarkupSink {
public:
    explicit VttSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override { appendEscapedForVtt(bytes, out_); }
    void open(const MarkupSpan& span) override {
        if (kept(span)) out_.append("<").append(kNames[styleIndex(span.style)]).append(">");
    }
    void close(const MarkupSpan& span) override {
        if (kept(span)) out_.append("</").append(kNames[styleIndex(span.style)]).append(">");
    }

private:
    static bool kept(const MarkupSpan& span) {
        return span.style == Style::Italic || span.style == Style::Bold ||
               span.style == Style::Underline;
    }
    static constexpr std::string_view kNames[] = {"i", "b", "u"};
    std::string& out_;
};

class PlainSink : public MarkupSink {
public:
    explicit PlainSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override { out_ += bytes; }
    void open(const MarkupSpan&) override {}
    void close(const MarkupSpan&) override {}

private:
    std::string& out_;
};

// Attributes are written when the text's style differs from the one on screen, never per
// tag: deeply nested spans would otherwise repeat every open attribute at each change.
class TerminalSink : public MarkupSink {
public:
    explicit TerminalSink(std::string& out) : out_(out) {}
    ~TerminalSink() override {
        if (shown_ != Look{}) out_ += kReset;
    }
    void text(std::string_view bytes) override {
        for (std::size_t from = 0; from < bytes.size();) {
            const std::size_t to = std::min(bytes.find('\n', from), bytes.size());
            if (to > from) {
                show();
                out_.append(bytes, from, to - from);
            }
            if (to == bytes.size()) break;
            if (shown_ != Look{}) out_ += kReset;
            shown_ = Look{};
            out_ += '\n';
            from = to + 1;
        }
    }
    void open(const MarkupSpan& span) override {
        ++wanted_.count[styleIndex(span.style)];
        if (span.style == Style::Font) {
            colours_.push_back(span.colour.empty() && !colours_.empty() ? colours_.back()
                                                                        : span.colour);
        }
    }
    void close(const MarkupSpan& span) override {
        --wanted_.count[styleIndex(span.style)];
        if (span.style == Style::Font) colours_.pop_back();
    }

private:
    static constexpr std::string_view kReset = "\x1b[0m";

    struct Look {
        bool italic = false, bold = false, underline = false, strike = false;
        std::string_view colour;
        bool operator==(const Look&) const = default;
    };
    struct Counts {
        std::array<std::size_t, 5> count{};
    };

    Look wanted() const {
        return {wanted_.count[0] > 0, wanted_.count[1] > 0, wanted_.count[2] > 0,
                wanted_.count[3] > 0, colours_.empty() ? std::string_view() : colours_.back()};
    }

    void show() {
        const Look look = wanted();
        if (look == shown_) return;
        if (shown_ != Look{}) out_ += kReset;
        if (look.bold) out_ += "\x1b[1m";
        if (look.italic) out_ += "\x1b[3m";
        if (look.underline) out_ += "\x1b[4m";
        if (look.strike) out_ += "\x1b[9m";
        if (look.colour.size() == 6) {
            out_ += "\x1b[38;2";
            for (std::size_t i = 0; i < 6; i += 2) {
                out_ += ';' + std::to_string(
                                  std::stoi(std::string(look.colour.substr(i, 2)), nullptr, 16));
            }
            out_ += 'm';
        }
        shown_ = look;
    }

    std::string& out_;
    Counts wanted_;
    std::vector<std::string_view> colours_;  // the colour in force inside each open font
    Look shown_;
};

// MicroDVD has codes only at the start of a line: each line gets the codes of the spans
// open where its text begins.
class MicroDvdSink : public MarkupSink {
public:
    explicit MicroDvdSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override {
        for (std::size_t from = 0; from <= bytes.size();) {
            const std::size_t to = std::min(bytes.find('\n', from), bytes.size());
            if (to > from && !started_) startLine();
            lines_.back().text.append(bytes, from, to - from);
            if (to == bytes.size()) break;
            lines_.emplace_back();
            started_ = false;
            from = to + 1;
        }
    }
    void open(const MarkupSpan& span) override { open_.push_back(span); }
    void close(const MarkupSpan&) override { open_.pop_back(); }

    void finish() {
        const bool shared = lines_.size() > 1 && !lines_.front().codes.empty() &&
                            std::all_of(lines_.begin(), lines_.end(), [&](const Line& line) {
                                return line.codes == lines_.front().codes;
                            });
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (i > 0) out_ += '|';
            if (!shared) {
                out_ += lines_[i].codes;
            } else if (i == 0) {
                // An upper-case code letter covers every later line as well.
                std::string codes = lines_[i].codes;
                for (std::size_t at = 1; at < codes.size(); ++at) {
                    if (codes[at - 1] == '{') codes[at] = static_cast<char>(codes[at] - 'a' + 'A');
                }
                out_ += codes;
            }
            out_ += lines_[i].text;
        }
    }

private:
    struct Line {
        std::string codes, text;
    };

    void startLine() {
        started_ = true;
        std::string styles;
        std::string_view colour, face, size;
        for (const MarkupSpan& span : open_) {
            switch (span.style) {
                case Style::Italic:
                    styles += 'i';
                    break;
                case Style::Bold:
                    styles += 'b';
                    break;
                case Style::Underline:
                    styles += 'u';
                    break;
                case Style::Strike:
                    styles += 's';
                    break;
                case Style::Font:
                    if (!span.colour.empty()) colour = span.colour;
                    if (!span.face.empty()) face = span.face;
                    if (!span.size.empty()) size = span.size;
                    break;
            }
        }
        // Readers open later letters outermost.
        std::reverse(styles.begin(), styles.end());
        std::string& codes = lines_.back().codes;
        if (!styles.empty()) codes.append("{y:").append(styles).append("}");
        if (!colour.empty()) {  // files write blue, green, red
            codes.append("{c:$")
                .append(colour.substr(4, 2))
                .append(colour.substr(2, 2))
                .append(colour.substr(0, 2))
                .append("}");
        }
        const std::string name = unescaped(face);
        if (!name.empty() && name.find('}') == std::string::npos) {
            codes.append("{f:").append(name).append("}");
        }
        if (!size.empty()) codes.append("{s:").append(size).append("}");
    }

    static std::string unescaped(std::string_view attribute) {
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
        std::string out;
        for (std::size_t i = 0; i < attribute.size();) {
            bool replaced = false;
            for (const auto& [entity, c] : kEntities) {
                if (attribute.substr(i).starts_with(entity)) {
                    out += c;
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
            if (!replaced) out += attribute[i++];
        }
        return out;
    }

    std::string& out_;
    std::vector<MarkupSpan> open_;
    std::vector<Line> lines_{1};
    bool started_ = false;
};

}  // namespace

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

void MarkupReader::appendSrt(std::string_view text, std::string& out) {
    SrtSink sink(out);
    read(text, sink);
}

void MarkupReader::appendVtt(std::string_view text, std::string& out) {
    VttSink sink(out);
    read(text, sink);
}

void MarkupReader::appendMicroDvd(std::string_view text, std::string& out) {
    MicroDvdSink sink(out);
    read(text, sink);
    sink.finish();
}

void MarkupReader::appendPlain(std::string_view text, std::string& out) {
    PlainSink sink(out);
    read(text, sink);
}

std::string toSrtMarkup(std::string_view text) {
    std::string out;
    MarkupReader().appendSrt(text, out);
    return out;
}

std::string toVttMarkup(std::string_view text) {
    std::string out;
    MarkupReader().appendVtt(text, out);
    return out;
}

std::string toMicroDvdMarkup(std::string_view text) {
    std::string out;
    MarkupReader().appendMicroDvd(text, out);
    return out;
}

std::string toPlainText(std::string_view text) {
    std::string out;
    MarkupReader().appendPlain(text, out);
    return out;
}

std::string toTerminalText(std::string_view text) {
    std::string out;
    {
        TerminalSink sink(out);
        MarkupReader().read(text, sink);
    }
    return out;
}

}  // namespace Tork::Subplay
