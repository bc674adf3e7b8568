// Which of a detector's candidate encodings a text is in, by the letters each reading gives.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Tork {

/// One encoding a detector offers for a text.
struct CharsetCandidate {
    std::string name;         // as ICU names it ("windows-1250", "KOI8-R")
    std::int32_t confidence;  // the detector's, 0 to 100
    std::string decoded;      // the sample read in this encoding, as UTF-8; empty if it cannot be
};

/// What detection settled: the encoding chosen and the one that came closest, each with the
/// detector's confidence and the score that ranked them (the confidence weighed by the
/// letters of its reading, rounded).
struct CharsetChoice {
    std::string name;
    std::int32_t confidence = 0;
    std::string runnerUp;  // empty when no other candidate could be taken
    std::int32_t runnerUpConfidence = 0;
    std::int32_t score = 0;
    std::int32_t runnerUpScore = 0;

    friend bool operator==(const CharsetChoice&, const CharsetChoice&) = default;
};

/// The detector's confidence below which its answer is no better than a guess: ICU gives
/// 10 to every encoding it merely cannot rule out, whatever the text.
inline constexpr std::int32_t kCharsetConfidenceFloor = 11;

/// Whether `name` at `confidence` may be taken for `sample` at all, before it is decoded:
/// at or above the floor, and not an encoding of 16- or 32-bit units (whose ASCII holds
/// zero bytes) for a sample without a zero byte.
[[nodiscard]] bool isCharsetAdmissible(std::string_view sample, std::string_view name,
                                       std::int32_t confidence) noexcept;

/// How plausible `decoded` (UTF-8) is as text in the languages written in `encoding`, from
/// 0 to 1: the share of its characters beyond ASCII that one of those languages uses as
/// letters, counting against it bytes the encoding does not map, C1 controls, symbols
/// inside words (not the ellipsis, dashes and curly quotes that join words) and capitals
/// after small letters. 1 when nothing beyond ASCII is there to judge; an encoding of no
/// known language accepts every character it maps.
[[nodiscard]] double letterPlausibility(std::string_view encoding,
                                        std::string_view decoded) noexcept;

/// The admissible candidate whose confidence, weighed by letterPlausibility(), is highest
/// (the detector's order breaks ties), and the next one. None when no candidate is
/// admissible and decoded, or when the best weighs less than the floor. Throws std::bad_alloc when
/// memory runs out.
[[nodiscard]] std::optional<CharsetChoice> chooseCharset(
    std::string_view sample, std::span<const CharsetCandidate> candidates);

}  // namespace Tork
