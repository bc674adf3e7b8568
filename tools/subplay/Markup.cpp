#include "tools/subplay/Markup.h"

#include "text/Ascii.h"

#include <algorithm>
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

std::optional<Tag> tagAt(std::string_view text, std::size_t at) {
    struct Fixed {
        std::string_view pattern;
        bool opens;
        Style style;
    };
    static constexpr Fixed fixed[] = {
        {"<i>", true, Style::Italic}, {"</i>", false, Style::Italic},    {"<b>", true, Style::Bold},
        {"</b>", false, Style::Bold}, {"</font>", false, Style::Colour},
    };
    for (const Fixed& tag : fixed) {
        if (matchesNoCase(text, at, tag.pattern)) {
            return Tag{tag.opens, {tag.style, {}}, tag.pattern.size()};
        }
    }
    // The plug-in copies the six bytes of a colour code whatever they are.
    constexpr std::string_view head = "<font color=\"#";
    constexpr std::size_t length = head.size() + 6 + 2;
    if (!matchesNoCase(text, at, head) || text.size() - at < length ||
        text.substr(at + head.size() + 6, 2) != "\">") {
        return std::nullopt;
    }
    std::string_view colour = text.substr(at + head.size(), 6);
    if (!std::all_of(colour.begin(), colour.end(), Ascii::isHexDigit)) colour = {};
    return Tag{true, {Style::Colour, colour}, length};
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
        if (span.style == Style::Italic) {
            out_ += "<i>";
        } else if (span.style == Style::Bold) {
            out_ += "<b>";
        } else if (!span.colour.empty()) {  // a colour that is not hexadecimal is dropped
            out_.append("<font color=\"#").append(span.colour).append("\">");
        }
    }
    void close(const MarkupSpan& span) override {
        if (span.style == Style::Italic) {
            out_ += "</i>";
        } else if (span.style == Style::Bold) {
            out_ += "</b>";
        } else if (!span.colour.empty()) {
            out_ += "</font>";
        }
    }

private:
    std::string& out_;
};

class VttSink : public MarkupSink {
public:
    explicit VttSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override { appendEscapedForVtt(bytes, out_); }
    void open(const MarkupSpan& span) override {
        if (span.style != Style::Colour) out_ += span.style == Style::Italic ? "<i>" : "<b>";
    }
    void close(const MarkupSpan& span) override {
        if (span.style != Style::Colour) out_ += span.style == Style::Italic ? "</i>" : "</b>";
    }

private:
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

class TerminalSink : public MarkupSink {
public:
    explicit TerminalSink(std::string& out) : out_(out) {}
    void text(std::string_view bytes) override {
        for (const char c : bytes) {
            if (c == '\n') {
                out_ += reset;
                out_ += '\n';
                for (const MarkupSpan& span : open_) attributes(span);
            } else {
                out_ += c;
            }
        }
    }
    void open(const MarkupSpan& span) override {
        open_.push_back(span);
        attributes(span);
    }
    void close(const MarkupSpan&) override {
        open_.pop_back();
        out_ += reset;
        for (const MarkupSpan& span : open_) attributes(span);
    }

private:
    static constexpr std::string_view reset = "\x1b[0m";

    void attributes(const MarkupSpan& span) {
        switch (span.style) {
            case Style::Italic:
                out_ += "\x1b[3m";
                break;
            case Style::Bold:
                out_ += "\x1b[1m";
                break;
            case Style::Colour:
                if (span.colour.size() == 6) {
                    out_ += "\x1b[38;2";
                    for (std::size_t i = 0; i < 6; i += 2) {
                        out_ += ';' + std::to_string(std::stoi(
                                          std::string(span.colour.substr(i, 2)), nullptr, 16));
                    }
                    out_ += 'm';
                }
                break;
        }
    }

    std::string& out_;
    std::vector<MarkupSpan> open_;
};

}  // namespace

void MarkupReader::read(std::string_view text, MarkupSink& sink) {
    open_.clear();
    std::size_t plainFrom = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;) {
        const auto tag = tagAt(text, at);
        if (!tag) {
            at = text.find('<', at + 1);
            continue;
        }
        const auto match = std::find_if(open_.rbegin(), open_.rend(), [&](const MarkupSpan& o) {
            return o.style == tag->span.style;
        });
        if (!tag->opens && match == open_.rend()) {
            at = text.find('<', at + 1);  // nothing to close: the tag is text
            continue;
        }
        if (at > plainFrom) sink.text(text.substr(plainFrom, at - plainFrom));
        if (tag->opens) {
            open_.push_back(tag->span);
            sink.open(tag->span);
        } else {
            // Closing an outer span closes the ones inside it too, keeping the output nested.
            const std::size_t keep = static_cast<std::size_t>(open_.rend() - match) - 1;
            while (open_.size() > keep) {
                sink.close(open_.back());
                open_.pop_back();
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

std::string toPlainText(std::string_view text) {
    std::string out;
    MarkupReader().appendPlain(text, out);
    return out;
}

std::string toTerminalText(std::string_view text) {
    std::string out;
    TerminalSink sink(out);
    MarkupReader().read(text, sink);
    return out;
}

}  // namespace Tork::Subplay
