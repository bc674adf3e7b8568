#include "vlc/FilmRate.h"

#include <cmath>
#include <numeric>

namespace Tork::Vlc {

std::optional<FrameRatio> frameRatioOf(double fps) {
    // Also false for NaN.
    if (!(fps > 1.0 && fps <= 1000.0)) return std::nullopt;
    std::optional<FrameRatio> best;
    double bestError = 0;
    for (const std::uint32_t seconds : {1001u, 1000u}) {
        const auto frames = static_cast<std::uint32_t>(std::llround(fps * seconds));
        const double error = std::fabs(static_cast<double>(frames) / seconds - fps);
        if (!best || error < bestError) {
            best = FrameRatio{frames, seconds};
            bestError = error;
        }
    }
    const std::uint32_t divisor = std::gcd(best->frames, best->seconds);
    return FrameRatio{best->frames / divisor, best->seconds / divisor};
}

}  // namespace Tork::Vlc
