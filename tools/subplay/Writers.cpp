#include "tools/subplay/Writers.h"

#include "text/Utf.h"
#include "tools/subplay/Markup.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace Tork::Subplay {

namespace {

/// The text's lines for a cue: blank lines would end the cue early, so they go.
std::vector<std::string> cueLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from <= text.size()) {
        const auto to = std::min(text.find('\n', from), text.size());
        std::string line = text.substr(from, to - from);
        if (line.find_first_not_of(" \t\r") != std::string::npos) lines.push_back(line);
        from = to + 1;
    }
    return lines;
}

class JsonWriter : public EntryWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    void begin(const StreamDescription& stream) override {
        out_ << "{\"stream\": {\"name\": " << jsonString(printable(stream.name))
             << ", \"format\": " << jsonString(printable(stream.format))
             << ", \"type\": " << stream.type;
        if (!stream.language.empty()) {
            out_ << ", \"language\": " << jsonString(printable(stream.language));
        }
        if (!stream.encoding.empty()) {
            out_ << ", \"encoding\": " << jsonString(printable(stream.encoding));
        }
        out_ << "}, \"entries\": [";
    }
    void write(const Entry& entry) override {
        out_ << (first_ ? "\n" : ",\n") << "{\"start\": " << entry.start
             << ", \"duration\": " << entry.duration
             << ", \"text\": " << jsonString(printable(entry.text)) << '}';
        first_ = false;
        ++count_;
    }
    void end() override { out_ << "\n], \"count\": " << count_ << "}\n"; }

private:
    std::ostream& out_;
    bool first_ = true;
    std::uint64_t count_ = 0;
};

// Numbered cues; SubRip and WebVTT differ only in their header, the time stamps' decimal
// separator and the mark-up they keep.
class CueWriter : public EntryWriter {
public:
    using Markup = std::string (*)(std::string_view);
    CueWriter(std::ostream& out, const char* header, char separator, Markup markup)
        : out_(out), header_(header), separator_(separator), markup_(markup) {}
    void begin(const StreamDescription&) override { out_ << header_; }
    void write(const Entry& entry) override {
        out_ << ++number_ << '\n'
             << formatTime(entry.start, separator_) << " --> "
             << formatTime(cueEnd(entry.start, entry.duration), separator_) << '\n';
        for (const std::string& line : cueLines(markup_(printable(entry.text)))) {
            out_ << line << '\n';
        }
        out_ << '\n';
    }
    void end() override {}

private:
    std::ostream& out_;
    const char* header_;
    char separator_;
    Markup markup_;
    std::uint64_t number_ = 0;
};

class TextWriter : public EntryWriter {
public:
    explicit TextWriter(std::ostream& out) : out_(out) {}
    void begin(const StreamDescription&) override {}
    void write(const Entry& entry) override {
        out_ << formatTime(entry.start) << " --> "
             << formatTime(cueEnd(entry.start, entry.duration)) << ' ' << printable(entry.text)
             << '\n';
    }
    void end() override {}

private:
    std::ostream& out_;
};

// Moves every entry by a fixed offset before another writer sees it.
class OffsetWriter : public EntryWriter {
public:
    OffsetWriter(std::unique_ptr<EntryWriter> next, std::int64_t offset)
        : next_(std::move(next)), offset_(offset) {}
    void begin(const StreamDescription& stream) override { next_->begin(stream); }
    void write(const Entry& entry) override {
        constexpr std::int64_t last = std::numeric_limits<std::uint32_t>::max();
        const std::int64_t start = entry.start + offset_;
        const std::int64_t end = cueEnd(entry.start, entry.duration) + offset_;
        if (end < 0 || (end == 0 && start < 0)) return;
        Entry moved = entry;
        moved.start = static_cast<std::uint32_t>(std::clamp<std::int64_t>(start, 0, last));
        if (start < 0) moved.duration = static_cast<std::int32_t>(end);
        next_->write(moved);
    }
    void end() override { next_->end(); }

private:
    std::unique_ptr<EntryWriter> next_;
    std::int64_t offset_;
};

std::unique_ptr<EntryWriter> makePlainWriter(OutputFormat format, std::ostream& out) {
    switch (format) {
        case OutputFormat::Json:
            return std::make_unique<JsonWriter>(out);
        case OutputFormat::Srt:
            return std::make_unique<CueWriter>(out, "", ',', toSrtMarkup);
        case OutputFormat::Vtt:
            return std::make_unique<CueWriter>(out, "WEBVTT\n\n", '.', toVttMarkup);
        case OutputFormat::Text:
            break;
    }
    return std::make_unique<TextWriter>(out);
}

}  // namespace

std::unique_ptr<EntryWriter> makeWriter(OutputFormat format, std::ostream& out,
                                        std::int64_t offset) {
    auto writer = makePlainWriter(format, out);
    if (offset == 0) return writer;
    return std::make_unique<OffsetWriter>(std::move(writer), offset);
}

std::uint32_t cueEnd(std::uint32_t start, std::int32_t duration) {
    if (duration < 0) return start;
    const std::uint64_t end = std::uint64_t{start} + static_cast<std::uint64_t>(duration);
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(end, std::numeric_limits<std::uint32_t>::max()));
}

std::string formatTime(std::uint32_t milliseconds, char separator) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u%c%03u", milliseconds / 3600000u,
                  milliseconds / 60000u % 60u, milliseconds / 1000u % 60u, separator,
                  milliseconds % 1000u);
    return text;
}

std::string printable(std::string_view bytes) {
    const std::string text = replaceIllFormedUtf8(bytes);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c0 = (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F;
        // U+0080 to U+009F: some terminals take these as 8-bit control codes.
        const bool c1 =
            byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c0 || c1) {
            out += "\xEF\xBF\xBD";
            i += c1 ? 1 : 0;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + '"';
}

}  // namespace Tork::Subplay
