// A heap block that gives its memory back on every path.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

namespace Tork {

enum class ZeroFill : bool { No, Yes };

template <class T>
class MemoryBuffer {
public:
    MemoryBuffer() = default;
    MemoryBuffer(const MemoryBuffer&) = delete;
    MemoryBuffer& operator=(const MemoryBuffer&) = delete;
    virtual ~MemoryBuffer() { resize(0, ZeroFill::No); }

    /// Makes the block `count` elements long, new contents unset unless zero-filled. When
    /// the memory cannot be had the buffer is left empty (data() null, size() 0).
    void resize(std::uint32_t count, ZeroFill zeroFill) noexcept {
        if (count != size_) {
            delete[] data_;
            data_ = nullptr;
            size_ = 0;
            if (count > 0) {
                data_ = new (std::nothrow) T[count];
                if (data_) size_ = count;
            }
        }
        if (zeroFill == ZeroFill::Yes && data_) std::memset(data_, 0, size_ * sizeof(T));
    }

    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    std::uint32_t size() const noexcept { return size_; }

private:
    T* data_ = nullptr;
    std::uint32_t size_ = 0;
};

}  // namespace Tork
