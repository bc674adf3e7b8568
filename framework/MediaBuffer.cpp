#include "framework/MediaBuffer.h"

#include <new>
#include <utility>

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

}  // namespace Tork
