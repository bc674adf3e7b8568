#include "framework/MediaBuffer.h"

#include <cstring>
#include <memory>

namespace Tork {
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
        delete[] buffer->lockData();
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
    // A block of its own, apart from the chunk: a host may take it over with setData and
    // free it itself after release.
    std::unique_ptr<unsigned char[]> copy;
    if (length > 0) {
        copy.reset(new unsigned char[static_cast<std::size_t>(length)]);
        std::memcpy(copy.get(), text, static_cast<std::size_t>(length));
    }
    MediaChunk* chunk = handedOutChunkAllocator().create(copy.get(), length);
    copy.release();
    chunk->sizeField() = length;
    return chunk;
}

}  // namespace Tork
