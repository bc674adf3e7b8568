// The measure of one UTF-8 sequence, which the codecs and the whole-text check share.
#pragma once

#include <cstddef>

namespace Tork::Utf8Sequence {

/// The length of the well-formed sequence at `p` (Unicode's table of well-formed byte
/// sequences), or minus the length of its maximal ill-formed part (at least 1) when no
/// well-formed sequence starts there within `available` bytes.
inline int measure(const unsigned char* p, std::size_t available) noexcept {
    const unsigned char lead = p[0];
    if (lead < 0x80) return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= available || p[i] < low || p[i] > high) return -i;
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

}  // namespace Tork::Utf8Sequence
