// The kernels 32 bytes at a time, on x86-64 processors with AVX2, chosen at run time: the
// UTF-8 check, with the line count in the same pass; the rest are SSE2's.
#pragma once

#include "scan/Isa.h"
#include "scan/Sse2.h"

#if TORK_SCAN_X86_64

#include <cstddef>
#include <string_view>

namespace Tork::Scan {

struct Avx2 : Sse2 {
    static constexpr const char* name = "avx2";
    static bool available() noexcept;

    static bool utf8(std::string_view text) noexcept;
    static bool utf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept;
};

}  // namespace Tork::Scan

#endif
