// What a writer of entries takes: a stream's description, then its entries, then the end.
#pragma once

#include "host/ContainerSession.h"
#include "host/OpenReport.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
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

/// Where a cue ends: start + duration, but a negative duration ends it where it starts
/// and a sum beyond 32 bits stops at the last millisecond rather than wrapping.
inline std::uint32_t cueEnd(std::uint32_t start, std::int32_t duration) {
    if (duration < 0) return start;
    const std::uint64_t end = std::uint64_t{start} + static_cast<std::uint64_t>(duration);
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(end, std::numeric_limits<std::uint32_t>::max()));
}

/// Receives a stream's description, then its entries in reading order, then the end.
class EntryWriter {
public:
    virtual ~EntryWriter() = default;
    virtual void begin(const StreamDescription& stream) = 0;
    virtual void write(const EntryView& entry) = 0;
    virtual void end() = 0;
};

}  // namespace Tork::Subplay
