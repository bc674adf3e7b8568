// Writers that print a stream's entries as JSON, SubRip, WebVTT or plain text.
#pragma once

#include "host/ContainerSession.h"
#include "tools/subplay/Options.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace Tork::Subplay {

using Host::Entry;

struct StreamDescription {
    std::string name;
    std::string format;
    std::int32_t type = 0;
    std::string language;                    // the stream's own, or empty
    std::string encoding;                    // the encoding the file was read in
    std::optional<Host::OpenReport> report;  // how the plug-in read the file
};

/// An entry as a writer takes it: its text is borrowed for the call, from the chunk the
/// stream handed out or from an Entry.
struct EntryView {
    std::uint32_t start = 0;    // ms
    std::int32_t duration = 0;  // ms; may be negative
    std::string_view text;
    EntryView() = default;
    EntryView(std::uint32_t start, std::int32_t duration, std::string_view text)
        : start(start), duration(duration), text(text) {}
    EntryView(const Entry& entry)  // NOLINT(google-explicit-constructor): a borrow
        : start(entry.start), duration(entry.duration), text(entry.text) {}
};

/// Receives a stream's description, then its entries in reading order, then the end.
class EntryWriter {
public:
    virtual ~EntryWriter() = default;
    virtual void begin(const StreamDescription& stream) = 0;
    virtual void write(const EntryView& entry) = 0;
    virtual void end() = 0;
};

/// How times are moved before they are written, and the rate MicroDVD is written at.
struct Timing {
    double scale = 1.0;       // every time is multiplied by it
    std::int64_t offset = 0;  // then this many ms are added
    FrameRatio rate{1000, 23976};
};

/// A writer of `format` that prints to `out`, with every time scaled and moved by `timing`:
/// an entry moved wholly before 0 or wholly past the 32-bit clock is left out, one moved
/// partly before 0 starts at 0, and one moved partly past 32 bits ends at the last
/// millisecond. Entries of a stream whose description has a reading report come from the
/// plug-in, which hands out only well-formed UTF-8: their controls are replaced, but their
/// UTF-8 is not checked again.
std::unique_ptr<EntryWriter> makeWriter(OutputFormat format, std::ostream& out,
                                        const Timing& timing = {});

/// An encoding's name with one spelling for each Unicode form ("UTF-8", "UTF-16LE"),
/// whoever named it; other names as they are.
std::string encodingLabel(std::string_view name);

/// Where a cue ends: start + duration, but a negative duration ends it where it starts
/// and a sum beyond 32 bits stops at the last millisecond rather than wrapping.
std::uint32_t cueEnd(std::uint32_t start, std::int32_t duration);

/// "HH:MM:SS<separator>mmm"; hours take more digits when they need them.
std::string formatTime(std::uint32_t milliseconds, char separator = '.');

/// `bytes` as subplay prints them anywhere: ill-formed UTF-8 and every control character
/// but line feed and tab (C0, DEL, C1) replaced by U+FFFD, so nothing in a file can drive
/// a terminal or whatever reads the output.
std::string printable(std::string_view bytes);

/// `text` as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

}  // namespace Tork::Subplay
