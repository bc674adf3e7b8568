#include "framework/String.h"

#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace Tork {
namespace {

unsigned char* allocateBytes(StringAllocator allocator, std::size_t count) {
    return std::visit(
        [count](auto* a) { return reinterpret_cast<unsigned char*>(a->allocate(count)); },
        allocator);
}

void deallocateBytes(StringAllocator allocator, unsigned char* block) noexcept {
    std::visit(
        [block](auto* a) {
            using Element = std::remove_pointer_t<decltype(a->allocate(0))>;
            a->deallocate(reinterpret_cast<Element*>(block));
        },
        allocator);
}

std::uint32_t checkedLength(std::size_t length) {
    if (length >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
    return static_cast<std::uint32_t>(length);
}

}  // namespace

String::String(const char* text, StringAllocator allocator) : allocator_(allocator) {
    if (text) assign(text, checkedLength(std::strlen(text)));
}

String::String(const void* bytes, std::uint32_t length, StringAllocator allocator)
    : allocator_(allocator) {
    if (bytes) assign(bytes, length);
}

String::String(std::string_view bytes, StringAllocator allocator) : allocator_(allocator) {
    if (bytes.data()) assign(bytes.data(), checkedLength(bytes.size()));
}

String::String(const String& other) : allocator_(other.allocator_) {
    if (other.data_) assign(other.data_, other.length_);
}

String::String(String&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      allocator_(other.allocator_) {}

String& String::operator=(const String& other) {
    if (this == &other) return *this;
    if (other.data_)
        assign(other.data_, other.length_);
    else
        clear();
    return *this;
}

String& String::operator=(String&& other) {
    if (this == &other) return *this;
    if (allocator_ != other.allocator_) return *this = static_cast<const String&>(other);
    clear();
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    return *this;
}

void String::assign(const void* bytes, std::uint32_t length) {
    if (length == std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
    // Allocate before releasing, so a failure leaves the string as it was and
    // `bytes` may point into our own storage.
    unsigned char* copy = allocateBytes(allocator_, std::size_t{length} + 1);
    if (length) std::memcpy(copy, bytes, length);
    copy[length] = 0;
    clear();
    data_ = copy;
    length_ = length;
}

void String::resizeForOverwrite(std::uint32_t length) {
    if (length == std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
    unsigned char* block = allocateBytes(allocator_, std::size_t{length} + 1);
    block[length] = 0;
    clear();
    data_ = block;
    length_ = length;
}

void String::clear() noexcept {
    if (data_) deallocateBytes(allocator_, data_);
    data_ = nullptr;
    length_ = 0;
}

}  // namespace Tork
