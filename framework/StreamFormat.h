// The record that describes a stream's payload.
#pragma once

#include <cstdint>

namespace Tork {

struct StreamFormat {
    char code[8] = {};  // the encoding's name, zero-padded: "UTF8"
    std::uint32_t size = sizeof(StreamFormat);
    std::uint32_t fourth = 4;
    std::uint32_t fifth = 0;
};
static_assert(sizeof(StreamFormat) == 20);

}  // namespace Tork
