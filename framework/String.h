// The framework's owned byte string.
#pragma once

#include "framework/StandardAllocator.h"

#include <cstdint>
#include <string_view>
#include <variant>

namespace Tork {

/// The allocator instance that obtains and releases a String's bytes: the byte instance
/// (file contents, paths, URLs, MIME types) or the char instance (identifiers, setting
/// names, code-page names).
using StringAllocator = std::variant<StandardAllocator<unsigned char>*, StandardAllocator<char>*>;

inline StringAllocator byteAllocator() {
    return StandardAllocator<unsigned char>::instance();
}
inline StringAllocator charAllocator() {
    return StandardAllocator<char>::instance();
}

/// An owned byte string. When it has storage, the byte at length() is 0; zero bytes may
/// stand before it. Every copy is deep. Operations that need storage throw std::bad_alloc
/// when none can be had, leaving the string as it was.
class String {
public:
    explicit String(StringAllocator allocator = byteAllocator()) noexcept : allocator_(allocator) {}
    /// A null text gives the empty string.
    String(const char* text, StringAllocator allocator = byteAllocator());
    String(const void* bytes, std::uint32_t length, StringAllocator allocator = byteAllocator());
    String(std::string_view bytes, StringAllocator allocator = byteAllocator());
    /// Copies the bytes; the copy uses the source's allocator.
    String(const String& other);
    String(String&& other) noexcept;
    /// Copies the bytes into storage from this string's own allocator.
    String& operator=(const String& other);
    String& operator=(String&& other);
    ~String() { clear(); }

    /// Replaces the content with a copy of `bytes`; the allocator stays.
    void assign(const void* bytes, std::uint32_t length);
    /// Replaces the content with `length` bytes left for the caller to write (the terminator
    /// is set); the allocator stays. Spares a copy when the bytes come from elsewhere, such
    /// as a file.
    void resizeForOverwrite(std::uint32_t length);
    /// Releases the bytes: data() becomes null and length() 0.
    void clear() noexcept;

    /// The bytes, or null for an empty string without storage.
    const unsigned char* data() const noexcept { return data_; }
    unsigned char* data() noexcept { return data_; }
    std::uint32_t length() const noexcept { return length_; }
    bool empty() const noexcept { return length_ == 0; }
    StringAllocator allocator() const noexcept { return allocator_; }

    /// All length() bytes, zeros included.
    std::string_view bytes() const noexcept {
        return {reinterpret_cast<const char*>(data_), length_};
    }
    /// The zero-terminated text: the bytes up to the first zero ("" without storage).
    const char* c_str() const noexcept { return data_ ? reinterpret_cast<const char*>(data_) : ""; }
    std::string_view text() const noexcept { return c_str(); }

private:
    unsigned char* data_ = nullptr;
    std::uint32_t length_ = 0;
    StringAllocator allocator_;
};

/// Equal zero-terminated texts (byte for byte up to each one's first zero).
inline bool sameText(const String& a, const String& b) noexcept {
    return a.text() == b.text();
}

/// Byte-wise order of zero-terminated texts (bytes unsigned; a proper prefix first).
struct TextOrder {
    bool operator()(const String& a, const String& b) const noexcept { return a.text() < b.text(); }
};

}  // namespace Tork
