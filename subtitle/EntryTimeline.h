// A stream's subtitle entries in time order, indexed for seeking.
#pragma once

#include "subtitle/EntryStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace Tork {

/// The entries of one stream, ascending by start (unsigned), with the four searches that
/// seeking needs, each a binary search.
///
/// End times wrap in 32 bits, so they are in no particular order even though starts are.
/// The running maximum of the ends from the front and the running minimum from the back
/// are monotone whatever the wrapped values are, and each finds its entry exactly: the
/// first index whose running maximum reaches `time` is the first entry whose own end
/// does, and the last index whose running minimum is below `time` is the last entry whose
/// own end is. Both are kept only at block boundaries, so the index costs half a byte per
/// entry: the search finds the block, and the block, whose entries lie side by side, is
/// scanned for the entry.
class EntryTimeline {
public:
    EntryTimeline() = default;
    /// Takes `entries` over; they must be sorted by start. Throws std::bad_alloc when the
    /// index cannot be stored.
    explicit EntryTimeline(EntryStore entries);

    std::size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }
    std::uint32_t start(std::size_t i) const noexcept { return entries_[i].start; }
    std::int32_t duration(std::size_t i) const noexcept { return entries_[i].duration; }
    /// Start + duration, wrapping in 32 bits.
    std::uint32_t end(std::size_t i) const noexcept { return endOf(entries_[i]); }
    std::string_view text(std::size_t i) const noexcept { return entries_.text(entries_[i]); }

    /// The first entry that has not ended by `time`; none when all have.
    std::optional<std::size_t> firstEndingAtOrAfter(std::uint32_t time) const noexcept;
    /// The last entry that ended before `time`; none when no entry did.
    std::optional<std::size_t> lastEndingBefore(std::uint32_t time) const noexcept;
    /// The first entry that starts at or after `time`; none when all start before it.
    std::optional<std::size_t> firstStartingAtOrAfter(std::uint32_t time) const noexcept;
    /// The last entry that started before `time`; none when no entry did.
    std::optional<std::size_t> lastStartingBefore(std::uint32_t time) const noexcept;

    /// Frees the entries and the index; the timeline is empty afterwards.
    void clear() noexcept;

private:
    static constexpr std::size_t kBlock = 16;  // entries per block: four cache lines

    static std::uint32_t endOf(const EntryRecord& entry) noexcept {
        return entry.start + static_cast<std::uint32_t>(entry.duration);
    }

    EntryStore entries_;
    std::vector<std::uint32_t> maxEndThrough_;  // of entries 0 to the end of block b
    std::vector<std::uint32_t> minEndFrom_;     // of entries from the start of block b on
};

}  // namespace Tork
