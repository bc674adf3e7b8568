// Hints to the system about how a block of memory will be used.
#pragma once

#include <cstddef>

namespace Tork {

/// Asks that the whole large pages inside `block` be mapped as such when first touched: a
/// file read into fresh memory then costs a page fault per 2 MiB instead of per 4 KiB.
/// Only a hint: does nothing where the system has no such pages or `block` holds none.
void adviseLargePages(void* block, std::size_t size) noexcept;

}  // namespace Tork
