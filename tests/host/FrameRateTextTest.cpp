// Frame rates as people write them: what is read, unreduced, and what is refused.
#include "host/FrameRateText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace Tork::Host {
namespace {

TEST(FrameRateText, RatesBecomeFramesPerSeconds) {
    struct Row {
        std::string_view text;
        std::optional<FrameRatio> ratio;
    };
    const Row rows[] = {
        {"25", FrameRatio{25, 1}},
        {"23.976", FrameRatio{23976, 1000}},
        {"29,97", FrameRatio{2997, 100}},
        {"25.", FrameRatio{25, 1}},
        {"30000/1001", FrameRatio{30000, 1001}},
        {"4294967295", FrameRatio{4294967295u, 1}},
        {"0.000000001", FrameRatio{1, 1000000000}},
        // Refused: zero, signs, blanks, terms past 32 bits, malformed numbers.
        {"0", std::nullopt},
        {"0/5", std::nullopt},
        {"0.0", std::nullopt},
        {"25/0", std::nullopt},
        {"-25", std::nullopt},
        {"+25", std::nullopt},
        {" 25", std::nullopt},
        {"4294967296", std::nullopt},
        {"42949672.96", std::nullopt},   // frames 4294967296
        {"1.0000000001", std::nullopt},  // seconds 10^10
        {".5", std::nullopt},
        {"25/", std::nullopt},
        {"/25", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1/2/3", std::nullopt},
        {"", std::nullopt},
        {"pal", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseFrameRate(row.text), row.ratio);
    }
}

}  // namespace
}  // namespace Tork::Host
