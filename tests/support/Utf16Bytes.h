// Text as the bytes of 16-bit units in either order, without a signature unless it holds one.
#pragma once

#include <string>
#include <string_view>

namespace Tork::Testing {

inline std::string utf16Bytes(std::u16string_view units, bool bigEndian) {
    std::string bytes;
    for (const char16_t unit : units) {
        const auto high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace Tork::Testing
