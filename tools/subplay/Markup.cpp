#include "tools/subplay/Markup.h"

#include "microdvd/OverlayText.h"
#include "scan/Scan.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace Tork::Subplay {

namespace {

using Host::MarkupSink;
using Host::MarkupSpan;
using Style = MarkupSpan::Style;

std::size_t styleIndex(Style style) {
    return static_cast<std::size_t>(style);
}

// A style's letter: its code's in MicroDVD, its tag's in SubRip and WebVTT.
char letterOf(Style style) {
    return OverlayText::kStyleTags[styleIndex(style)].letter;
}

// Where the next byte WebVTT escapes (& < >) is, from `from`; the text's size when there
// is none. A block at a time: find_first_of looks each byte up in the set.
std::size_t nextSpecial(std::string_view text, std::size_t from) {
    return Scan::nextByteOf(text, from, '&', '<', '>', /*controls*/ false);
}

// Writes SubRip's or WebVTT's tags, or none, straight into the caller's text.
class TagSink : public MarkupSink {
public:
    TagSink(std::string& out, Markup markup, const Spill* spill)
        : out_(out), markup_(markup), spill_(spill) {}
    void text(std::string_view bytes) override {
        if (out_.size() + bytes.size() >= kSpillSize && spill_) {
            // A large text in slices, so that the output spills as it grows.
            const Spill* const spill = std::exchange(spill_, nullptr);
            for (std::size_t at = 0; at < bytes.size(); at += kSpillSize) {
                if (out_.size() >= kSpillSize) (*spill)(out_);
                TagSink::text(bytes.substr(at, kSpillSize));
            }
            spill_ = spill;
            return;
        }
        if (markup_ != Markup::Vtt) {
            out_ += bytes;
            return;
        }
        for (std::size_t from = 0; from < bytes.size();) {
            const std::size_t special = nextSpecial(bytes, from);
            out_.append(bytes, from, special - from);
            if (special == bytes.size()) break;
            out_ += bytes[special] == '&' ? "&amp;" : bytes[special] == '<' ? "&lt;" : "&gt;";
            from = special + 1;
        }
    }
    void open(const MarkupSpan& span) override { tag(span, ""); }
    void close(const MarkupSpan& span) override { tag(span, "/"); }

private:
    void tag(const MarkupSpan& span, std::string_view slash) {
        if (markup_ == Markup::Plain) return;
        if (out_.size() >= kSpillSize && spill_) (*spill_)(out_);
        if (span.style != Style::Font) {
            // WebVTT has italic, bold and underline; strike-through goes.
            if (markup_ == Markup::Vtt && span.style == Style::Strike) return;
            out_.append("<").append(slash).append(1, letterOf(span.style)) += '>';
            return;
        }
        // WebVTT has no fonts; a font tag without a valid attribute was dropped.
        if (markup_ == Markup::Vtt ||
            (span.colour.empty() && span.face.empty() && span.size.empty()))
            return;
        if (!slash.empty()) {
            out_ += OverlayText::kFontClosing;
            return;
        }
        const auto [opening, value] =
            !span.colour.empty() ? std::pair(OverlayText::kColourOpening, span.colour)
            : !span.face.empty() ? std::pair(OverlayText::kFaceOpening, span.face)
                                 : std::pair(OverlayText::kSizeOpening, span.size);
        out_.append(opening).append(value) += OverlayText::kAttributeEnd;
    }

    std::string& out_;
    Markup markup_;
    const Spill* spill_;
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
        ++count_[styleIndex(span.style)];
        if (span.style == Style::Font) {
            colours_.push_back(span.colour.empty() && !colours_.empty() ? colours_.back()
                                                                        : span.colour);
        }
    }
    void close(const MarkupSpan& span) override {
        --count_[styleIndex(span.style)];
        if (span.style == Style::Font) colours_.pop_back();
    }

private:
    static constexpr std::string_view kReset = "\x1b[0m";

    struct Look {
        bool italic = false, bold = false, underline = false, strike = false;
        std::string_view colour;
        bool operator==(const Look&) const = default;
    };

    void show() {
        const Look look{count_[0] > 0, count_[1] > 0, count_[2] > 0, count_[3] > 0,
                        colours_.empty() ? std::string_view() : colours_.back()};
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
    std::array<std::size_t, 5> count_{};     // open spans per style
    std::vector<std::string_view> colours_;  // the colour in force inside each open font
    Look shown_;
};

// MicroDVD has codes only at the start of a line: each line gets the codes of the spans
// open where its text begins. What is open is kept as it changes, so that starting a line
// costs the same however deeply its spans nest. Codes that every line shares are written
// once, in upper case: a text that may spill is read twice, first to find whether they
// are, then to write; a smaller one is written at once and its lines joined again after.
class MicroDvdSink : public MarkupSink {
public:
    enum class Pass {
        Survey,          // nothing written: finish() tells whether the codes are shared
        Write,           // written as `shared` says, spilling as it grows
        WriteThenShare,  // written, the shared codes taken out at finish(); no spill
    };
    MicroDvdSink(std::string* out, Pass pass, bool shared, const Spill* spill)
        : out_(pass == Pass::Survey ? nullptr : out),
          pass_(pass),
          shared_(shared),
          spill_(spill),
          from_(out ? out->size() : 0) {}
    void text(std::string_view bytes) override {
        for (std::size_t from = 0; from <= bytes.size();) {
            const std::size_t to =
                std::min(bytes.find(OverlayText::kLineBreak, from), bytes.size());
            if (to > from && !started_) startLine();
            // A long line in slices, so that the output spills as it grows.
            for (std::size_t at = from; out_ && at < to; at += kSpillSize) {
                out_->append(bytes, at, std::min(kSpillSize, to - at));
                if (spill_ && out_->size() >= kSpillSize) (*spill_)(*out_);
            }
            if (to == bytes.size()) break;
            endLine();
            if (out_) {
                *out_ += '|';
                if (spill_ && out_->size() >= kSpillSize) (*spill_)(*out_);
                if (pass_ == Pass::WriteThenShare) lineStarts_.push_back(out_->size());
            }
            from = to + 1;
        }
    }
    void open(const MarkupSpan& span) override {
        if (span.style != Style::Font) {
            // A letter counts once however often its style nests; its place is where it
            // first opened.
            const char letter = letterOf(span.style);
            if (count_[styleIndex(span.style)]++ == 0) letters_.insert(letters_.begin(), letter);
            return;
        }
        // A font without an attribute keeps the ones around it.
        Font font = fonts_.empty() ? Font{} : fonts_.back();
        if (!span.colour.empty()) font.colour = span.colour;
        if (!span.face.empty()) font.face = span.face;
        if (!span.size.empty()) font.size = span.size;
        fonts_.push_back(font);
    }
    void close(const MarkupSpan& span) override {
        if (span.style == Style::Font) {
            fonts_.pop_back();
            return;
        }
        if (--count_[styleIndex(span.style)] == 0) {
            letters_.erase(letters_.find(letterOf(span.style)), 1);
        }
    }
    /// After the text: whether every line, of more than one, has the same codes; after
    /// WriteThenShare, they are then written once.
    bool finish() {
        endLine();
        const bool shared = lines_ > 1 && !first_.empty() && same_;
        if (shared && pass_ == Pass::WriteThenShare) share();
        return shared;
    }

private:
    // The attributes in force inside an open font span.
    struct Font {
        std::string_view colour, face, size;
    };

    void startLine() {
        started_ = true;
        codes_.clear();
        const Font font = fonts_.empty() ? Font{} : fonts_.back();
        // Readers open later letters outermost, so the innermost style comes first.
        if (!letters_.empty()) codes_.append("{y:").append(letters_).append("}");
        if (!font.colour.empty()) {  // files write blue, green, red
            codes_.append("{c:$")
                .append(font.colour.substr(4, 2))
                .append(font.colour.substr(2, 2))
                .append(font.colour.substr(0, 2))
                .append("}");
        }
        const std::string name = Host::unescapedFace(font.face);
        if (!name.empty() && name.find('}') == std::string::npos) {
            codes_.append("{f:").append(name).append("}");
        }
        if (!font.size.empty()) codes_.append("{s:").append(font.size).append("}");
        if (pass_ != Pass::Write) noteCodes(codes_);
        if (!out_) {
        } else if (!shared_) {
            *out_ += codes_;
        } else if (lines_ == 0) {
            // An upper-case code letter covers every later line as well.
            for (std::size_t at = 1; at < codes_.size(); ++at) {
                if (codes_[at - 1] == '{') codes_[at] = static_cast<char>(codes_[at] - 'a' + 'A');
            }
            *out_ += codes_;
        }
    }
    void endLine() {
        if (pass_ != Pass::Write && !started_) noteCodes({});  // a line without text has none
        started_ = false;
        ++lines_;
    }
    // The lines written, each opened by the same codes, joined again with the codes once,
    // in upper case: an upper-case code letter covers every later line as well.
    void share() {
        std::string& out = *out_;
        for (std::size_t at = 1; at < first_.size(); ++at) {
            if (first_[at - 1] == '{') out[from_ + at] = static_cast<char>(first_[at] - 'a' + 'A');
        }
        lineStarts_.push_back(out.size() + 1);  // as if a '|' ended the last line too
        std::size_t kept = from_, start = from_;
        for (std::size_t line = 0; line < lineStarts_.size(); ++line) {
            const std::size_t from = start + (line == 0 ? 0 : first_.size());
            const std::size_t end = lineStarts_[line] - 1;
            std::copy(out.begin() + static_cast<std::ptrdiff_t>(from),
                      out.begin() + static_cast<std::ptrdiff_t>(end),
                      out.begin() + static_cast<std::ptrdiff_t>(kept));
            kept += end - from;
            if (line + 1 < lineStarts_.size()) out[kept++] = '|';
            start = lineStarts_[line];
        }
        out.resize(kept);
    }
    void noteCodes(std::string_view codes) {
        if (lines_ == 0) {
            first_ = codes;
        } else if (codes != first_) {
            same_ = false;
        }
    }

    std::string* out_;
    Pass pass_;
    bool shared_;
    const Spill* spill_;
    std::size_t from_;                     // where this text's output starts in `out`
    std::vector<std::size_t> lineStarts_;  // WriteThenShare: where each later line starts
    std::array<std::size_t, 4> count_{};   // open spans of each letter's style
    std::string letters_;                  // the styles open, the latest first
    std::vector<Font> fonts_;
    std::string codes_;  // the line's
    std::string first_;  // the first line's, in the first pass
    bool same_ = true;
    std::size_t lines_ = 0;  // ended so far
    bool started_ = false;
};

}  // namespace

void appendMarkup(MarkupReader& reader, Markup markup, std::string_view text, std::string& out,
                  const Spill& spill) {
    const Spill* spilled = spill ? &spill : nullptr;
    if (markup == Markup::MicroDvd) {
        if (text.find('<') == std::string_view::npos) {
            // No span, so no codes: the lines joined, without a sink's lines to build. A
            // large text in slices, so that the output spills as it grows.
            for (std::size_t from = 0; from < text.size(); from += kSpillSize) {
                const std::size_t at = out.size();
                out += text.substr(from, kSpillSize);
                std::replace(out.begin() + static_cast<std::ptrdiff_t>(at), out.end(),
                             OverlayText::kLineBreak, '|');
                if (spilled && out.size() >= kSpillSize) spill(out);
            }
            return;
        }
        using Pass = MicroDvdSink::Pass;
        if (text.size() <= kSpillSize || !spilled) {
            MicroDvdSink sink(&out, Pass::WriteThenShare, false, nullptr);
            reader.read(text, sink);
            sink.finish();
            return;
        }
        MicroDvdSink survey(nullptr, Pass::Survey, false, nullptr);
        reader.read(text, survey);
        MicroDvdSink sink(&out, Pass::Write, survey.finish(), spilled);
        reader.read(text, sink);
    } else if (markup == Markup::Terminal) {
        TerminalSink sink(out);  // resets the attributes as it goes
        reader.read(text, sink);
    } else {
        TagSink sink(out, markup, spilled);
        reader.read(text, sink);
    }
}

std::string rewritten(Markup markup, std::string_view text) {
    std::string out;
    MarkupReader reader;
    appendMarkup(reader, markup, text, out);
    return out;
}

}  // namespace Tork::Subplay
