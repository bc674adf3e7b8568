// Only POSIX's madvise, with Linux's MADV_HUGEPAGE where it exists.
#include "platform/Memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace Tork {

void adviseLargePages(void* block, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
    // The size of a large page on x86-64 and on ARM with 4 KiB pages; elsewhere the advice
    // covers whatever large pages fit the range.
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (start + size) & ~(kLargePage - 1);
    // A heap block's pages are the heap's: only whole large pages inside it are advised,
    // and a refusal changes nothing.
    if (first < end) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace Tork
