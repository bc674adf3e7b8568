#include "scan/Scan.h"

namespace Tork::Scan {
namespace {

bool useAvx2() noexcept {
#if TORK_SCAN_X86_64
    static const bool chosen = Avx2::available();
    return chosen;
#else
    return false;
#endif
}

}  // namespace

bool isWellFormedUtf8(std::string_view text) noexcept {
#if TORK_SCAN_X86_64
    if (useAvx2()) return Avx2::utf8(text);
#endif
    return Baseline::utf8(text);
}

bool isWellFormedUtf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept {
#if TORK_SCAN_X86_64
    if (useAvx2()) return Avx2::utf8CountingLines(text, filledLines);
#endif
    return Baseline::utf8CountingLines(text, filledLines);
}

const char* utf8KernelName() noexcept {
#if TORK_SCAN_X86_64
    if (useAvx2()) return Avx2::name;
#endif
    return Baseline::name;
}

}  // namespace Tork::Scan
