// Where a translation writes: a count of its bytes, or memory sized by that count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace Tork {

/// Counts what is written, so that a long translation's memory is had once, at its size.
class CountingOutput {
public:
    CountingOutput& append(std::string_view bytes) noexcept {
        size_ += bytes.size();
        return *this;
    }
    CountingOutput& operator+=(std::string_view bytes) noexcept { return append(bytes); }
    CountingOutput& operator+=(char) noexcept {
        ++size_;
        return *this;
    }
    std::size_t size() const noexcept { return size_; }

private:
    std::size_t size_ = 0;
};

/// Writes into the `size` bytes at `at`, the count of a CountingOutput given the same
/// writes. Anything beyond them is dropped: two passes that disagreed must not overrun.
class FixedOutput {
public:
    FixedOutput(char* at, std::size_t size) noexcept : at_(at), end_(at + size) {}
    FixedOutput& append(std::string_view bytes) noexcept {
        const std::size_t size = std::min(bytes.size(), static_cast<std::size_t>(end_ - at_));
        if (size) std::memcpy(at_, bytes.data(), size);
        at_ += size;
        return *this;
    }
    FixedOutput& operator+=(std::string_view bytes) noexcept { return append(bytes); }
    FixedOutput& operator+=(char c) noexcept {
        if (at_ != end_) *at_++ = c;
        return *this;
    }

private:
    char* at_;
    char* end_;
};

}  // namespace Tork
