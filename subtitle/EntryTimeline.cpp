#include "subtitle/EntryTimeline.h"

#include <algorithm>
#include <utility>

namespace Tork {

EntryTimeline::EntryTimeline(EntryStore entries) : entries_(std::move(entries)) {
    const std::size_t n = entries_.size();
    const std::size_t blocks = (n + kBlock - 1) / kBlock;
    maxEndThrough_.resize(blocks);
    minEndFrom_.resize(blocks);
    // One pass over the records for each block's own largest and smallest end, then the
    // running maximum and minimum over the blocks: the records are read once, not twice.
    const EntryRecord* const records = entries_.records().data();
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t first = block * kBlock, last = std::min(first + kBlock, n);
        std::uint32_t most = endOf(records[first]), least = most;
        for (std::size_t i = first + 1; i < last; ++i) {
            most = std::max(most, endOf(records[i]));
            least = std::min(least, endOf(records[i]));
        }
        maxEndThrough_[block] = block ? std::max(maxEndThrough_[block - 1], most) : most;
        minEndFrom_[block] = least;
    }
    for (std::size_t block = blocks; block-- > 1;)
        minEndFrom_[block - 1] = std::min(minEndFrom_[block - 1], minEndFrom_[block]);
}

// The first block whose running maximum reaches `time` holds the entry: every entry before
// it ended earlier, and the first of its own that does not is the one.
std::optional<std::size_t> EntryTimeline::firstEndingAtOrAfter(std::uint32_t time) const noexcept {
    const auto block = std::lower_bound(maxEndThrough_.begin(), maxEndThrough_.end(), time);
    if (block == maxEndThrough_.end()) return std::nullopt;
    std::size_t i = static_cast<std::size_t>(block - maxEndThrough_.begin()) * kBlock;
    while (end(i) < time) ++i;
    return i;
}

// Likewise from the back: the last block whose running minimum is below `time` holds it.
std::optional<std::size_t> EntryTimeline::lastEndingBefore(std::uint32_t time) const noexcept {
    const auto after = std::lower_bound(minEndFrom_.begin(), minEndFrom_.end(), time);
    if (after == minEndFrom_.begin()) return std::nullopt;
    const auto block = static_cast<std::size_t>(after - minEndFrom_.begin()) - 1;
    std::size_t i = std::min(block * kBlock + kBlock, size()) - 1;
    while (end(i) >= time) --i;
    return i;
}

std::optional<std::size_t> EntryTimeline::firstStartingAtOrAfter(
    std::uint32_t time) const noexcept {
    const auto& records = entries_.records();
    const auto found =
        std::lower_bound(records.begin(), records.end(), time,
                         [](const EntryRecord& entry, std::uint32_t t) { return entry.start < t; });
    if (found == records.end()) return std::nullopt;
    return static_cast<std::size_t>(found - records.begin());
}

std::optional<std::size_t> EntryTimeline::lastStartingBefore(std::uint32_t time) const noexcept {
    const auto first = firstStartingAtOrAfter(time).value_or(size());
    if (first == 0) return std::nullopt;
    return first - 1;
}

void EntryTimeline::clear() noexcept {
    // Swapped out rather than cleared, so a closed stream holds no memory for its index.
    entries_.clear();
    std::vector<std::uint32_t>().swap(maxEndThrough_);
    std::vector<std::uint32_t>().swap(minEndFrom_);
}

}  // namespace Tork
