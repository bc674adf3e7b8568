#include "framework/MediaBuffer.h"

#include <cstring>
#include <new>
#include <typeinfo>
#include <utility>

namespace Tork {
namespace {

// A chunk with its text right behind it, in the one block: one allocation per chunk
// instead of two.
class TextChunk final : public MediaChunk {
public:
    using MediaChunk::MediaChunk;

    static void operator delete(void* block) noexcept { ::operator delete(block); }

    static MediaChunk* make(MediaBufferAllocator* allocator, const void* text,
                            std::int32_t length) {
        const auto bytes = static_cast<std::size_t>(length);
        void* block = ::operator new(sizeof(TextChunk) + bytes);
        TextChunk* chunk = nullptr;
        try {
            chunk = ::new (block) TextChunk(allocator);
        } catch (...) {
            ::operator delete(block);
            throw;
        }
        if (length > 0) {
            std::memcpy(chunk->text(), text, bytes);
            chunk->setData(chunk->text(), length);
            chunk->sizeField() = length;
        }
        return chunk;
    }

    unsigned char* text() noexcept { return reinterpret_cast<unsigned char*>(this + 1); }
};

// Whether `data` is the text a TextChunk carries in its own block, which is not freed apart.
bool isOwnText(MediaBuffer* buffer, const unsigned char* data) {
    return typeid(*buffer) == typeid(TextChunk) && data == static_cast<TextChunk*>(buffer)->text();
}

}  // namespace

MediaBuffer::~MediaBuffer() {
    lock_.lock();
    lock_.unlock();
}

void MediaBuffer::setData(unsigned char* data, std::int32_t capacity) {
    data_ = data;
    capacity_ = capacity;
}

void MediaBuffer::release() {
    lock_.lock();
    lock_.unlock();
}

unsigned char* MediaBuffer::lockData() {
    lock_.lock();
    return data_;
}

void MediaBuffer::unlockData() {
    lock_.unlock();
}
void MediaBuffer::lock() {
    lock_.lock();
}
void MediaBuffer::unlock() {
    lock_.unlock();
}

MediaChunk::~MediaChunk() {
    timestamp = 0;
    duration = 0;
    spare[0] = spare[1] = 0;
}

void MediaChunk::release() {
    allocator_->release(this);
}

bool IBufferAllocator::configure(String) {
    return false;
}

void MediaBufferAllocator::release(MediaBuffer* buffer) {
    if (!buffer) return;
    if (buffer->getCapacity() != 0) {
        unsigned char* data = buffer->lockData();
        if (!isOwnText(buffer, data)) delete[] data;  // a host may have set its own
        buffer->unlockData();
    }
    delete buffer;
}

MediaChunk* MediaBufferAllocator::create(unsigned char* data, std::int32_t capacity) {
    auto* chunk = new MediaChunk(this);
    chunk->setData(data, capacity);
    return chunk;
}

MediaBufferAllocator& handedOutChunkAllocator() {
    // Never destroyed, so that a chunk released during the process's own exit still finds
    // it; in static storage, so that a plug-in unloaded after use leaves nothing behind.
    alignas(MediaBufferAllocator) static unsigned char storage[sizeof(MediaBufferAllocator)];
    static MediaBufferAllocator* const allocator = ::new (storage) MediaBufferAllocator();
    return *allocator;
}

MediaChunk* handOutCopy(const void* text, std::int32_t length) {
    return TextChunk::make(&handedOutChunkAllocator(), text, length);
}

}  // namespace Tork
