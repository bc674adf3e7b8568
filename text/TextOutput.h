// Where a translation writes: a count of its bytes, or memory sized by that count.
#pragma once

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

/// Writes into memory with room for what a CountingOutput counted of the same writes.
class FixedOutput {
public:
    explicit FixedOutput(char* at) noexcept : at_(at) {}
    FixedOutput& append(std::string_view bytes) noexcept {
        if (!bytes.empty()) std::memcpy(at_, bytes.data(), bytes.size());
        at_ += bytes.size();
        return *this;
    }
    FixedOutput& operator+=(std::string_view bytes) noexcept { return append(bytes); }
    FixedOutput& operator+=(char c) noexcept {
        *at_++ = c;
        return *this;
    }

private:
    char* at_;
};

}  // namespace Tork
