#include "gstreamer/PangoMarkup.h"

#include "host/Markup.h"
#include "microdvd/OverlayText.h"
#include "text/Utf.h"

#include <charconv>

namespace Tork::Gst {

namespace {

using Host::MarkupSpan;
using Style = MarkupSpan::Style;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Pango sizes are in 1024ths of a point.
constexpr unsigned kPangoScale = 1024;
constexpr unsigned kLargestPoints = 1000;

// What a std::string would hold, for a first pass that sizes the text exactly: a cue of many
// entities grows four or five times, and a string that doubled on the way would hold twice
// that while it moved.
class Length {
public:
    Length& operator+=(std::string_view bytes) {
        size_ += bytes.size();
        return *this;
    }
    Length& operator+=(char) {
        ++size_;
        return *this;
    }
    Length& append(std::string_view bytes) { return *this += bytes; }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

template <class Out>
void appendEscaped(std::string_view text, Out& out) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case OverlayText::kLineBreak:
            case '\t':
                out += c;
                break;
            default:
                // GMarkup refuses most control characters, and with them the whole cue.
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += kReplacement;
                } else {
                    out += c;
                }
        }
    }
}

std::string spanOpening(const MarkupSpan& span) {
    std::string tag = "<span";
    if (!span.colour.empty()) {
        tag.append(" foreground=\"#").append(span.colour).append("\"");
    } else if (!span.face.empty()) {
        tag += " font_family=\"";
        // A line's text can imitate the face tag: the value is escaped again, not trusted.
        appendEscaped(Host::unescapedFace(span.face), tag);
        tag += "\"";
    } else if (!span.size.empty()) {
        unsigned points = 0;
        const auto [end, error] =
            std::from_chars(span.size.data(), span.size.data() + span.size.size(), points);
        if (error == std::errc() && end == span.size.data() + span.size.size() && points > 0 &&
            points <= kLargestPoints) {
            tag.append(" size=\"").append(std::to_string(points * kPangoScale)).append("\"");
        }
    }
    return tag + ">";
}

template <class Out>
class PangoSink : public Host::MarkupSink {
public:
    explicit PangoSink(Out& out) : out_(out) {}
    void text(std::string_view bytes) override { appendEscaped(bytes, out_); }
    void open(const MarkupSpan& span) override {
        if (span.style == Style::Font) {
            out_ += spanOpening(span);
        } else {
            out_.append("<").append(kNames[static_cast<std::size_t>(span.style)]).append(">");
        }
    }
    void close(const MarkupSpan& span) override {
        if (span.style == Style::Font) {
            out_ += "</span>";
        } else {
            out_.append("</").append(kNames[static_cast<std::size_t>(span.style)]).append(">");
        }
    }

private:
    static constexpr std::string_view kNames[] = {"i", "b", "u", "s"};
    Out& out_;
};

template <class Out>
void write(std::string_view text, Out& out) {
    PangoSink<Out> sink(out);
    Host::MarkupReader().read(text, sink);
}

}  // namespace

std::string toPangoMarkup(std::string_view text, TextSource source) {
    // Nearly every text is UTF-8, so a cue is copied to be repaired only when it is not.
    std::string repaired;
    const bool known = source == TextSource::Plugin && OverlayText::kWellFormedUtf8;
    if (!known && !isWellFormedUtf8(text)) {
        repaired = replaceIllFormedUtf8(text);
        text = repaired;
    }
    Length length;
    write(text, length);
    std::string out;
    out.reserve(length.size());
    write(text, out);
    return out;
}

}  // namespace Tork::Gst
