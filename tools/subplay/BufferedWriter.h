// What every format's writer shares: one buffer handed to the stream in large blocks, and
// the pieces of an entry more than one format writes.
#pragma once

#include "host/HostSettings.h"
#include "microdvd/OverlayText.h"
#include "tools/subplay/EntryWriter.h"
#include "tools/subplay/Markup.h"
#include "tools/subplay/OutputText.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace Tork::Subplay {

// Where a large text may be cut so that each piece is written on its own: not inside a
// UTF-8 character, nor so inside an ill-formed sequence that a piece repairs differently.
inline std::size_t sliceEnd(std::string_view text, std::size_t most) {
    if (text.size() <= most) return text.size();
    std::size_t cut = most;
    while (cut > most - 4 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

inline constexpr std::string_view kArrow = " --> ";
inline constexpr std::size_t kSpanMost = 2 * kTimeMost + kArrow.size();

// "START --> END" at `text`, with room for kSpanMost; answers its end.
inline char* writeSpan(char* text, const EntryView& entry, char separator) {
    text = writeTime(text, entry.start, separator);
    std::memcpy(text, kArrow.data(), kArrow.size());
    return writeTime(text + kArrow.size(), cueEnd(entry.start, entry.duration), separator);
}

// Output collects in one buffer and goes to the stream in large blocks: a stream call per
// piece of a cue costs more than the rest of the writing.
class BufferedWriter : public EntryWriter {
public:
    explicit BufferedWriter(std::ostream& out) : out_(out) {}
    ~BufferedWriter() override { flush(); }
    void begin(const StreamDescription& stream) override {
        // The report is what tells the plug-in's entries from those of any other component;
        // its texts are UTF-8 by its contract.
        entries_ =
            stream.report && OverlayText::kWellFormedUtf8 ? Source::Trusted : Source::Checked;
        start(stream);
    }
    void end() override { flush(); }

protected:
    /// What a format writes before its entries.
    virtual void start(const StreamDescription&) {}
    /// An entry's text as it may be shown.
    std::string_view printableText(const EntryView& entry) {
        return printableView(entry.text, printable_, entries_);
    }

    /// Hands the buffer to the stream once it holds a block.
    void written() {
        if (buffer_.size() >= kBlock) flush();
    }
    void flush() {
        emit(buffer_);
        buffer_.clear();
    }
    /// Hands `bytes` to the stream, after what was flushed.
    void emit(std::string_view bytes) {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    /// Appends `text` through `append` a slice at a time, flushing between slices: a large
    /// entry's output is never held whole.
    template <class Append>
    void appendInSlices(std::string_view text, Append append) {
        for (;;) {
            const std::size_t cut = sliceEnd(text, kSpillSize);
            append(text.substr(0, cut));
            if (cut == text.size()) return;
            flush();
            text.remove_prefix(cut);
        }
    }
    /// "START --> END", the times with `separator` before the milliseconds.
    void appendSpan(const EntryView& entry, char separator) {
        const std::size_t at = buffer_.size();
        buffer_.resize(at + kSpanMost);
        buffer_.resize(static_cast<std::size_t>(writeSpan(buffer_.data() + at, entry, separator) -
                                                buffer_.data()));
    }

    std::string buffer_;
    Source entries_ = Source::Checked;

private:
    std::string printable_;  // an entry's text as it may be shown, when it needs repair
    static constexpr std::size_t kBlock = 1 << 16;
    std::ostream& out_;
};

// Each format's writer, in a file of its own.
std::unique_ptr<EntryWriter> makeJsonWriter(std::ostream& out);
std::unique_ptr<EntryWriter> makeSrtWriter(std::ostream& out);
std::unique_ptr<EntryWriter> makeVttWriter(std::ostream& out);
std::unique_ptr<EntryWriter> makeTextWriter(std::ostream& out);
std::unique_ptr<EntryWriter> makeMicroDvdWriter(std::ostream& out, Host::FrameRatio rate);

}  // namespace Tork::Subplay
