// SubRip and WebVTT: numbered cues, written by one writer.
#include "tools/subplay/BufferedWriter.h"
#include "tools/subplay/Markup.h"

#include "microdvd/OverlayText.h"
#include "scan/Scan.h"
#include "text/Ascii.h"
#include "text/Utf.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Tork::Subplay {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool blankLine(const char* from, const char* to) {
    return std::all_of(from, to, blank);
}

// Whether every line of `text` starts with a byte that shows, so that none is blank: nearly
// every cue's text, told without a search for the end of each line.
bool everyLineStartsShown(std::string_view text) {
    const auto startsShown = [&](std::size_t at) {
        return at < text.size() && !blank(text[at]) && text[at] != '\n';
    };
    if (!startsShown(0)) return false;
    for (std::size_t at = 0;
         (at = Scan::nextByteOf(text, at, '\n', '\n', '\n', false)) < text.size(); ++at) {
        if (!startsShown(at + 1)) return false;
    }
    return true;
}

// Keeps the lines of `out` from `from` on that show something, each ending in a line feed:
// blank lines would end the cue early. In place, so a cue's text is copied only once.
void keepCueLines(std::string& out, std::size_t from) {
    const bool allShown = everyLineStartsShown(std::string_view(out).substr(from));
    out += '\n';  // every line ends in one now, the last too
    if (allShown) return;
    char* const data = out.data();
    const char* const end = data + out.size();
    char* kept = data + from;
    for (const char* line = kept; line < end;) {
        const auto* stop =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        const auto length = static_cast<std::size_t>(stop - line) + 1;
        if (!blankLine(line, stop)) {
            if (kept != line) std::memmove(kept, line, length);
            kept += length;
        }
        line = stop + 1;
    }
    out.resize(static_cast<std::size_t>(kept - data));
}

// A cue's lines that show something, each ending in a line feed, from text that comes in
// pieces: keepCueLines for a cue written in blocks.
class CueLines {
public:
    void add(std::string_view text, std::string& out) {
        for (std::size_t from = 0; from < text.size();) {
            const std::size_t to = std::min(text.find('\n', from), text.size());
            const std::string_view part = text.substr(from, to - from);
            if (shown_) {
                out += part;
            } else if (blankLine(part.data(), part.data() + part.size())) {
                held_ += part;
            } else {
                (out += held_) += part;
                held_.clear();
                shown_ = true;
            }
            if (to == text.size()) break;
            endLine(out);
            from = to + 1;
        }
    }
    void finish(std::string& out) { endLine(out); }

private:
    void endLine(std::string& out) {
        if (shown_) out += '\n';
        held_.clear();
        shown_ = false;
    }
    bool shown_ = false;
    std::string held_;  // the blanks a line starts with, until it shows something
};

// What a cue's text needs before it goes out.
enum class CueText {
    AsItStands,  // nothing: no byte to replace or escape, no tag, no line to drop
    Tagged,      // the same, but it holds a '<', which may open a tag
    Other,       // the full path
};

// Whether a byte may go out as it is, a '<' aside: not a control (C2 is taken for one, as
// it leads the C1 controls as well as letters such as U+00A0) nor, where `escaped`, '&' or
// '>'.
bool plainCueByte(char c, bool escaped) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) return c == '\n' || c == '\t';
    return byte != 0x7F && byte != 0xC2 && !(escaped && (c == '&' || c == '>'));
}

// Whether a line may start with the byte: one that shows.
bool blankOrBreak(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Nearly every cue is AsItStands or Tagged: every byte plain (above), and every line, the
// first and the last too, starting with something that shows, so that none is dropped.
CueText cueText(std::string_view text, bool escaped) {
    const std::size_t size = text.size();
    if (size == 0 || blankOrBreak(text[0]) || text[size - 1] == '\n') return CueText::Other;
    bool tagged = text[0] == '<';
    if (!plainCueByte(text[0], escaped)) return CueText::Other;
    const Scan::CueMarks marks = Scan::cueMarks(text, escaped);
    if (marks.other) return CueText::Other;
    return tagged || marks.tagged ? CueText::Tagged : CueText::AsItStands;
}

// Whether a style's tag holds `letter`, as SubRip's mark-up writes it: in lower case.
bool isStyleLetter(char letter) {
    for (const OverlayText::StyleTag& tag : OverlayText::kStyleTags)
        if (tag.letter == letter) return true;
    return false;
}

// Whether every '<' of a text opens or closes a tag that SubRip's mark-up writes back as it
// is: the plug-in's style tags with their letter in lower case (so not its bold's closing)
// and its colour tags with six hexadecimal digits, each closed in turn by its closing tag and
// none left open.
bool ownTagsOnly(std::string_view text) {
    std::array<char, 8> open;  // the styles open, innermost last; deeper goes the full path
    std::size_t depth = 0;
    constexpr std::string_view colour = OverlayText::kColourOpening;
    constexpr std::string_view fontClose = OverlayText::kFontClosing;
    constexpr std::size_t digits = OverlayText::kColourDigits;
    constexpr std::size_t colourLength = colour.size() + digits + OverlayText::kAttributeEnd.size();
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        const std::string_view rest = text.substr(at);
        const bool closes = rest.size() > 1 && rest[1] == '/';
        char style = 0;
        if (rest.size() >= 3u + closes && rest[2 + closes] == '>' &&
            isStyleLetter(rest[1 + closes])) {
            style = rest[1 + closes];
            at += 3u + closes;
        } else if (!closes && rest.starts_with(colour) && rest.size() >= colourLength &&
                   std::all_of(rest.begin() + colour.size(), rest.begin() + colour.size() + digits,
                               Ascii::isHexDigit) &&
                   rest.substr(colour.size() + digits).starts_with(OverlayText::kAttributeEnd)) {
            style = 'f';
            at += colourLength;
        } else if (closes && rest.starts_with(fontClose)) {
            style = 'f';
            at += fontClose.size();
        } else {
            return false;
        }
        if (!closes) {
            if (depth == open.size()) return false;
            open[depth++] = style;
        } else {
            if (depth == 0 || open[depth - 1] != style) return false;
            --depth;
        }
    }
    return depth == 0;
}

// 1, 2, 3 and on as decimal digits, counted up in place rather than divided out per cue.
class CueNumber {
public:
    std::string_view next() {
        for (std::size_t at = kDigits; at-- > 0;) {
            if (digits_[at] != '9') {
                ++digits_[at];
                first_ = std::min(first_, at);
                break;
            }
            digits_[at] = '0';
        }
        return {digits_.data() + first_, kDigits - first_};
    }

private:
    static constexpr std::size_t kDigits = 20;  // as many as a 64-bit count has
    std::array<char, kDigits> digits_ = [] {
        std::array<char, kDigits> zeros;
        zeros.fill('0');
        return zeros;
    }();
    std::size_t first_ = kDigits - 1;
};

// Numbered cues; SubRip and WebVTT differ only in their header, the time stamps' decimal
// separator and the mark-up they keep.
class CueWriter : public BufferedWriter {
public:
    CueWriter(std::ostream& out, const char* header, char separator, Markup markup)
        : BufferedWriter(out), header_(header), separator_(separator), markup_(markup) {}
    void start(const StreamDescription&) override { buffer_ += header_; }
    void write(const EntryView& entry) override {
        const CueText kind = cueText(entry.text, markup_ == Markup::Vtt);
        if ((kind == CueText::AsItStands ||
             (kind == CueText::Tagged && markup_ == Markup::Srt && ownTagsOnly(entry.text))) &&
            (entries_ == Source::Trusted || isWellFormedUtf8(entry.text))) {
            if (entry.text.size() > kSpillSize) {
                // As it stands, but in blocks.
                (buffer_ += number_.next()) += '\n';
                appendSpan(entry, separator_);
                buffer_ += '\n';
                appendInSlices(entry.text, [this](std::string_view slice) { buffer_ += slice; });
                buffer_ += "\n\n";
                written();
                return;
            }
            // In one piece: the number, the times and the text as it stands.
            const std::string_view number = number_.next();
            const std::size_t at = buffer_.size();
            buffer_.resize(at + number.size() + kSpanMost + entry.text.size() + 4);
            char* out = buffer_.data() + at;
            std::memcpy(out, number.data(), number.size());
            out[number.size()] = '\n';
            out = writeSpan(out + number.size() + 1, entry, separator_);
            *out++ = '\n';
            std::memcpy(out, entry.text.data(), entry.text.size());
            out += entry.text.size();
            *out++ = '\n';
            *out++ = '\n';
            buffer_.resize(static_cast<std::size_t>(out - buffer_.data()));
            written();
            return;
        }
        (buffer_ += number_.next()) += '\n';
        appendSpan(entry, separator_);
        buffer_ += '\n';
        text_ = buffer_.size();
        spilled_ = false;
        appendMarkup(reader_, markup_, printableText(entry), buffer_, spill_);
        if (spilled_) {
            spillCue();
            lines_.finish(buffer_);
        } else {
            keepCueLines(buffer_, text_);
        }
        buffer_ += '\n';
        written();
    }

private:
    // A large cue goes out in blocks, its blank lines dropped as they come.
    void spillCue() {
        kept_.clear();
        lines_.add(std::string_view(buffer_).substr(text_), kept_);
        buffer_.resize(text_);
        flush();
        emit(kept_);
        text_ = 0;
        spilled_ = true;
    }

    const char* header_;
    char separator_;
    Markup markup_;
    MarkupReader reader_;
    CueNumber number_;
    std::size_t text_ = 0;  // where the cue's text starts in the buffer
    bool spilled_ = false;
    CueLines lines_;
    std::string kept_;  // a spilled block's lines that show
    const Spill spill_ = [this](std::string&) { spillCue(); };
};

}  // namespace

std::unique_ptr<EntryWriter> makeSrtWriter(std::ostream& out) {
    return std::make_unique<CueWriter>(out, "", ',', Markup::Srt);
}

std::unique_ptr<EntryWriter> makeVttWriter(std::ostream& out) {
    return std::make_unique<CueWriter>(out, "WEBVTT\n\n", '.', Markup::Vtt);
}

}  // namespace Tork::Subplay
