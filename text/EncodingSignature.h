// Byte-order signatures that name a text's encoding.
#pragma once

#include "framework/String.h"

#include <cstddef>
#include <cstdint>

namespace Tork {

/// The length of the signature at the start of the `count` bytes, with `nameOut` set to
/// the converter name of its encoding. 0 when none matches; `nameOut` is then untouched.
/// Throws std::bad_alloc when the name cannot be stored.
std::int32_t detectEncodingSignature(const unsigned char* bytes, std::size_t count,
                                     String& nameOut);

}  // namespace Tork
