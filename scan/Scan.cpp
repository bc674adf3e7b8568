#include "scan/Scan.h"

namespace Tork::Scan {

#if TORK_SCAN_X86_64

namespace {

bool useAvx2() noexcept {
    static const bool chosen = Avx2::available();
    return chosen;
}

}  // namespace

bool isWellFormedUtf8(std::string_view text) noexcept {
    return useAvx2() ? Avx2::utf8(text) : Baseline::utf8(text);
}

bool isWellFormedUtf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept {
    return useAvx2() ? Avx2::utf8CountingLines(text, filledLines)
                     : Baseline::utf8CountingLines(text, filledLines);
}

#else

bool isWellFormedUtf8(std::string_view text) noexcept {
    return Baseline::utf8(text);
}

bool isWellFormedUtf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept {
    return Baseline::utf8CountingLines(text, filledLines);
}

#endif

}  // namespace Tork::Scan
