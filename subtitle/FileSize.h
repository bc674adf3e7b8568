// The size of a file named by a UTF-8 path.
#pragma once

#include "framework/String.h"

#include <cstdint>
#include <optional>

namespace Tork {

/// The size in bytes of the existing file at `path` (UTF-8, used as it stands, no URL
/// conversion); none when it cannot be opened, an empty path included. Throws
/// std::bad_alloc when the path cannot be converted for lack of memory.
std::optional<std::uint64_t> fileSize(const String& path);

}  // namespace Tork
