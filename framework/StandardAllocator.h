// Process-wide heap allocators behind strings and lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace Tork {

/// A stateless heap allocator for elements of T; one process-wide instance per T.
template <class T>
class StandardAllocator {
public:
    virtual ~StandardAllocator() = default;

    /// Answers a block for `count` elements. Throws std::bad_alloc when the heap cannot
    /// supply it, or when count × sizeof(T) would not fit 32 bits: a request never
    /// wraps round to a small block.
    virtual T* allocate(std::size_t count) {
        if (count > UINT32_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(::operator new[](count * sizeof(T)));
    }

    /// Returns a block from allocate(); null is accepted.
    virtual void deallocate(T* block) noexcept { ::operator delete[](block); }

    /// The process-wide instance, made on first use (safe when threads race to it).
    static StandardAllocator* instance() {
        static StandardAllocator allocator;
        return &allocator;
    }
};

}  // namespace Tork
