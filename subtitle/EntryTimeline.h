// A stream's subtitle entries in time order, indexed for seeking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace Tork {

class MediaChunk;

/// Subtitle entries; shared by pointer, never copied.
using EntryList = std::vector<MediaChunk*>;

/// The entries of one stream, ascending by timestamp (unsigned), with the four searches
/// that seeking needs, each a binary search.
///
/// End times wrap in 32 bits, so they are in no particular order even though starts are.
/// The running maximum of the ends from the front and the running minimum from the back
/// are monotone whatever the wrapped values are, and each finds its entry exactly: the
/// first index whose running maximum reaches `time` is the first entry whose own end
/// does, and the last index whose running minimum is below `time` is the last entry whose
/// own end is.
class EntryTimeline {
public:
    EntryTimeline() = default;
    /// `entries` must be sorted and hold no null. Throws std::bad_alloc when the copy or
    /// the index cannot be stored.
    explicit EntryTimeline(const EntryList& entries);

    std::size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }
    MediaChunk* at(std::size_t i) const noexcept { return entries_[i]; }
    std::uint32_t start(std::size_t i) const noexcept { return starts_[i]; }
    /// Timestamp + duration, wrapping in 32 bits.
    std::uint32_t end(std::size_t i) const noexcept;

    /// The first entry that has not ended by `time`; none when all have.
    std::optional<std::size_t> firstEndingAtOrAfter(std::uint32_t time) const noexcept;
    /// The last entry that ended before `time`; none when no entry did.
    std::optional<std::size_t> lastEndingBefore(std::uint32_t time) const noexcept;
    /// The first entry that starts at or after `time`; none when all start before it.
    std::optional<std::size_t> firstStartingAtOrAfter(std::uint32_t time) const noexcept;
    /// The last entry that started before `time`; none when no entry did.
    std::optional<std::size_t> lastStartingBefore(std::uint32_t time) const noexcept;

    /// Hands the entries over and leaves the timeline empty.
    EntryList take() noexcept;

private:
    EntryList entries_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> maxEndSoFar_;     // of entries 0..i
    std::vector<std::uint32_t> minEndFromHere_;  // of entries i..n-1
};

}  // namespace Tork
