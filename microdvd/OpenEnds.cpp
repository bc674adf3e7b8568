#include "microdvd/OpenEnds.h"

#include <algorithm>
#include <limits>

namespace Tork {

std::vector<std::int32_t> openEndDurations(std::span<const std::uint32_t> starts,
                                           std::span<const std::size_t> open) {
    std::vector<std::uint32_t> sorted(starts.begin(), starts.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::int32_t> durations;
    durations.reserve(open.size());
    for (const std::size_t index : open) {
        const std::uint32_t start = starts[index];
        const auto next = std::upper_bound(sorted.begin(), sorted.end(), start);
        durations.push_back(next == sorted.end()
                                ? kLastOpenEndDuration
                                : static_cast<std::int32_t>(std::min<std::uint32_t>(
                                      *next - start, std::numeric_limits<std::int32_t>::max())));
    }
    return durations;
}

}  // namespace Tork
