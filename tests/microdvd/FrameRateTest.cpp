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
        {"25/0", Kind::Rate, 25, 0},  // accepted: later times are 0
        {"99999999999", Kind::Rate, 2147483647, 1},
        // Declaration syntax without a usable rate: the line is dropped, the rate stays.
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

// A rate line's text is the number alone; what release notes write around a rate is not.
TEST(FrameRate, RateLineIsANumberAlone) {
    const std::pair<const char*, std::optional<FrameRate>> cases[] = {
        {"25.000", FrameRate{25000, 1000}},
        {"23,976", FrameRate{23976, 1000}},
        {"23.976 fps", FrameRate{23976, 1000}},
        {"29.97FPS \t", FrameRate{2997, 100}},
        {"3.5fps", FrameRate{35, 10}},
        {"25.000 movie info: XVID 25.0fps", std::nullopt},
        {"4.37GB; 1280x704; 23.976fps.", std::nullopt},
        {"25 fps.", std::nullopt},
        {"25.", std::nullopt},
        {"fps", std::nullopt},
        {"3", std::nullopt},  // the bounds are excluded
        {"200", std::nullopt},
        {"25.00000000000000000000001", std::nullopt},  // beyond 64 bits
    };
    for (const auto& [text, rate] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseRateLine(text), rate);
    }
}

}  // namespace
}  // namespace Tork
