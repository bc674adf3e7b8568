// Counts the lines with something on them, so that a parser reserves its records once and
// never moves them.
#pragma once

#include <cstddef>

namespace Tork::LineCount {

/// The runs of CR and LF bytes (each run one separator) that end a line with something on
/// it, not counting a run at the very start: by the widest path this processor offers.
[[nodiscard]] std::size_t filledLines(const char* text, std::size_t length) noexcept;

/// The same, eight bytes at a time on any processor.
[[nodiscard]] std::size_t filledLinesPortable(const char* text, std::size_t length) noexcept;

}  // namespace Tork::LineCount
