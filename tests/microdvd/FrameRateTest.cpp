#include "microdvd/FrameRate.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

using Kind = FrameRateDeclaration::Kind;

struct DeclarationCase {
    const char* text;
    Kind kind;
    std::uint64_t numerator;
    std::uint64_t denominator;
};

TEST(FrameRateDeclaration, ReadsTheFourForms) {
    const DeclarationCase cases[] = {
        {"25", Kind::Rate, 25, 1},
        {"23.976", Kind::Rate, 23976, 1000},
        {"29,97", Kind::Rate, 2997, 100},
        {"25.", Kind::Rate, 25, 1},
        {".5", Kind::Rate, 5, 10},
        {"30000/1001", Kind::Rate, 30000, 1001},
        {"30000\\1001", Kind::Rate, 30000, 1001},
        {"99999999999", Kind::Rate, 2147483647, 1},
        // Declaration syntax without a usable rate: the line is dropped, the rate stays.
        {"25/0", Kind::Unusable, 0, 0},  // would make every later time 0
        {"30000\\0", Kind::Unusable, 0, 0},
        {".", Kind::Unusable, 0, 0},
        {"/", Kind::Unusable, 0, 0},
        {"25/", Kind::Unusable, 0, 0},
        {"/5", Kind::Unusable, 0, 0},
        {"0", Kind::Unusable, 0, 0},
        {"0/5", Kind::Unusable, 0, 0},
        {"0.0", Kind::Unusable, 0, 0},
        {"99999999999999999999.5", Kind::Unusable, 0, 0},  // digits beyond 64 bits
        {"1.00000000000000000000", Kind::Unusable, 0, 0},  // 10^20 beyond 64 bits
        // Ordinary subtitles.
        {"1,5 km", Kind::NotDeclaration, 0, 0},
        {"Hello", Kind::NotDeclaration, 0, 0},
        {"2.5.1", Kind::NotDeclaration, 0, 0},
        {"25/1.0", Kind::NotDeclaration, 0, 0},
        {"-25", Kind::NotDeclaration, 0, 0},
    };
    for (const DeclarationCase& c : cases) {
        SCOPED_TRACE(c.text);
        const FrameRateDeclaration declaration = parseFrameRateDeclaration(c.text);
        EXPECT_EQ(declaration.kind, c.kind);
        if (c.kind == Kind::Rate) {
            EXPECT_EQ(declaration.rate.numerator, c.numerator);
            EXPECT_EQ(declaration.rate.denominator, c.denominator);
        }
    }
}

struct TimeCase {
    FrameRate rate;
    std::int32_t frame;
    std::uint32_t milliseconds;
};

TEST(FrameRate, ConvertsFramesToMilliseconds) {
    const TimeCase cases[] = {
        {{24000, 1001}, 1, 41},
        {{24000, 1001}, 24, 1001},
        {{24000, 1001}, 1000, 41708},
        {{25, 1}, 25, 1000},
        {{25, 1}, 24, 960},
        {{25, 0}, 1234, 0},
        {{25, 1}, -1, 4294967256u},  // the frame is read unsigned; the low 32 bits stay
        // frame × denominator × 1000 overflows 64 bits here; the exact quotient's low bits.
        {{1, 30000000000ull}, 2000000000, 0x2D800000u},
    };
    for (const TimeCase& c : cases) {
        SCOPED_TRACE(c.frame);
        EXPECT_EQ(c.rate.toMilliseconds(c.frame), c.milliseconds);
    }
}

// The clock takes shortcuts by rate and by frame; each must agree with the general way.
TEST(FrameClock, AgreesWithTheRateAtEveryKindOfRateAndFrame) {
    const FrameRate rates[] = {
        {25, 1},          {24000, 1001},       {30000, 1001},
        {23976, 1000},    {2997, 100},         {25, 0},
        {7, 3},           {1, 30000000000ull}, {1, 4294967},
        {1, 4294968},     {4294967311ull, 1},  {0xFFFFFFFFFFFFFFE7ull, 1},
        {3, 0xFFFFFFFFu}, {1000, 1},           {1, 1},
        {60, 1},
    };
    const std::int32_t frames[] = {0,         1,         24,         1000,       179999,
                                   4294967,   4294968,   2147483647, -1,         -2147483647 - 1,
                                   171798691, 171798692, 1000000000, 2000000000, -25};
    for (const FrameRate& rate : rates) {
        const FrameClock clock(rate);
        for (const std::int32_t frame : frames) {
            SCOPED_TRACE(testing::Message()
                         << rate.numerator << "/" << rate.denominator << " @ " << frame);
            EXPECT_EQ(clock.toMilliseconds(frame), rate.toMilliseconds(frame));
        }
        // Around where the product leaves 32 bits, whatever the multiplier.
        for (std::uint64_t multiplier : {1ull, 40ull, 1001ull, 125000ull, 1000000ull}) {
            const auto edge = static_cast<std::int64_t>(UINT32_MAX / multiplier);
            for (std::int64_t frame = edge - 2; frame <= edge + 2; ++frame) {
                const auto f = static_cast<std::int32_t>(static_cast<std::uint32_t>(frame));
                EXPECT_EQ(clock.toMilliseconds(f), rate.toMilliseconds(f)) << frame;
            }
        }
    }
}

// A rate line states its rate at its start, or as a number that "fps" follows; release
// notes around it do not hide it, and numbers that are no rate do not make one.
TEST(FrameRate, RateLineStatesTheRate) {
    const std::pair<const char*, std::optional<FrameRate>> cases[] = {
        {"25.000", FrameRate{25000, 1000}},
        {"23,976", FrameRate{23976, 1000}},
        {"23.976", FrameRate{23976, 1000}},
        {"29,97", FrameRate{2997, 100}},
        {"25 fps", FrameRate{25, 1}},
        {"23.976 fps", FrameRate{23976, 1000}},
        {"29.97FPS \t", FrameRate{2997, 100}},
        {"3.5fps", FrameRate{35, 10}},
        {"25 fps.", FrameRate{25, 1}},
        // SubEdit's line, with and without its credit.
        {"25.000 movie info: XVID  608x256 25.0fps 699.0 MB", FrameRate{25000, 1000}},
        {"25.000 movie info: XVID  608x256 25.0fps 699.0 MB|/SubEdit "
         "b.4060(http://subedit.com.pl)/",
         FrameRate{25000, 1000}},
        // A size before the rate: the number that "fps" follows.
        {"4.37GB; 1280x704; 23.976fps.", FrameRate{23976, 1000}},
        {"1080p 23.976 FPS", FrameRate{23976, 1000}},
        {"2 CDs, 25fps", FrameRate{25, 1}},      // a leading number that is no rate
        {"1000fps or 25fps", FrameRate{25, 1}},  // the first plausible one
        {"1,5 km", std::nullopt},
        {"Hello", std::nullopt},
        {"25.", std::nullopt},
        {"25fpsx", std::nullopt},    // "fps" only as a word of its own
        {"1.2.3fps", std::nullopt},  // the 3 belongs to a number
        {"fps", std::nullopt},
        {"3", std::nullopt},  // the bounds are excluded
        {"200", std::nullopt},
        {"200 fps", std::nullopt},
        {"25.00000000000000000000001", std::nullopt},  // beyond 64 bits
    };
    for (const auto& [text, rate] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseRateLine(text), rate);
    }
}

}  // namespace
}  // namespace Tork
