#include "subtitle/EntryTimeline.h"

#include "framework/MediaBuffer.h"

#include <algorithm>

namespace Tork {
namespace {

std::uint32_t endOf(const MediaChunk& entry) noexcept {
    return entry.timestamp + static_cast<std::uint32_t>(entry.duration);
}

}  // namespace

EntryTimeline::EntryTimeline(const EntryList& entries)
    : entries_(entries),
      starts_(entries.size()),
      maxEndSoFar_(entries.size()),
      minEndFromHere_(entries.size()) {
    const std::size_t n = entries_.size();
    for (std::size_t i = 0; i < n; ++i) {
        starts_[i] = entries_[i]->timestamp;
        const std::uint32_t end = endOf(*entries_[i]);
        maxEndSoFar_[i] = i == 0 ? end : std::max(maxEndSoFar_[i - 1], end);
    }
    for (std::size_t i = n; i-- > 0;) {
        const std::uint32_t end = endOf(*entries_[i]);
        minEndFromHere_[i] = i == n - 1 ? end : std::min(minEndFromHere_[i + 1], end);
    }
}

std::uint32_t EntryTimeline::end(std::size_t i) const noexcept {
    return endOf(*entries_[i]);
}

std::optional<std::size_t> EntryTimeline::firstEndingAtOrAfter(std::uint32_t time) const noexcept {
    const auto found = std::lower_bound(maxEndSoFar_.begin(), maxEndSoFar_.end(), time);
    if (found == maxEndSoFar_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - maxEndSoFar_.begin());
}

std::optional<std::size_t> EntryTimeline::lastEndingBefore(std::uint32_t time) const noexcept {
    const auto after = std::lower_bound(minEndFromHere_.begin(), minEndFromHere_.end(), time);
    if (after == minEndFromHere_.begin()) return std::nullopt;
    return static_cast<std::size_t>(after - minEndFromHere_.begin()) - 1;
}

std::optional<std::size_t> EntryTimeline::firstStartingAtOrAfter(
    std::uint32_t time) const noexcept {
    const auto found = std::lower_bound(starts_.begin(), starts_.end(), time);
    if (found == starts_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - starts_.begin());
}

std::optional<std::size_t> EntryTimeline::lastStartingBefore(std::uint32_t time) const noexcept {
    const auto after = std::lower_bound(starts_.begin(), starts_.end(), time);
    if (after == starts_.begin()) return std::nullopt;
    return static_cast<std::size_t>(after - starts_.begin()) - 1;
}

EntryList EntryTimeline::take() noexcept {
    // Swapped out rather than cleared, so a closed stream holds no memory for its index.
    std::vector<std::uint32_t>().swap(starts_);
    std::vector<std::uint32_t>().swap(maxEndSoFar_);
    std::vector<std::uint32_t>().swap(minEndFromHere_);
    EntryList entries;
    entries.swap(entries_);
    return entries;
}

}  // namespace Tork
