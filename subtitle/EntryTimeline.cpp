#include "subtitle/EntryTimeline.h"

#include <algorithm>
#include <utility>

namespace Tork {

EntryTimeline::EntryTimeline(EntryStore entries) : entries_(std::move(entries)) {
    const std::size_t n = entries_.size();
    const std::size_t blocks = (n + kBlock - 1) / kBlock;
    maxEndThrough_.resize(blocks);
    minEndFrom_.resize(blocks);
    std::uint32_t running = 0;
    for (std::size_t i = 0; i < n; ++i) {
        running = i == 0 ? end(0) : std::max(running, end(i));
        if (i % kBlock == kBlock - 1 || i == n - 1) maxEndThrough_[i / kBlock] = running;
    }
    for (std::size_t i = n; i-- > 0;) {
        running = i == n - 1 ? end(i) : std::min(running, end(i));
        if (i % kBlock == 0) minEndFrom_[i / kBlock] = running;
    }
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
