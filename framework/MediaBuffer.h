// Media buffers: the chunks of timed text that containers make and hosts read.
#pragma once

#include "framework/Properties.h"
#include "framework/String.h"
#include "platform/RecursiveMutex.h"

#include <cstdint>

namespace Tork {

class MediaBufferAllocator;

/// A block of bytes with a recursive lock. Destruction never frees the block.
class MediaBuffer {
public:
    MediaBuffer() = default;
    MediaBuffer(const MediaBuffer&) = delete;
    MediaBuffer& operator=(const MediaBuffer&) = delete;
    /// Waits until no other thread holds the buffer.
    virtual ~MediaBuffer();

    /// Stores the block and its length; takes no lock and frees nothing.
    virtual void setData(unsigned char* data, std::int32_t capacity);
    /// Waits until no other thread holds the buffer; frees nothing.
    virtual void release();
    /// Takes the lock and answers the block; pair with unlockData().
    virtual unsigned char* lockData();
    virtual void unlockData();
    virtual void lock();
    virtual void unlock();

    std::int32_t getCapacity() const { return capacity_; }
    std::int32_t& sizeField() { return size_; }

private:
    std::int32_t size_ = 0;
    std::int32_t capacity_ = 0;
    unsigned char* data_ = nullptr;
    RecursiveMutex lock_;
    String info_;
};

/// One block of UTF-8 text with its time. Exactly one owner, who ends it with release(),
/// which runs the plug-in's code: release every chunk before unloading the plug-in's library.
class MediaChunk : public MediaBuffer {
public:
    explicit MediaChunk(MediaBufferAllocator* allocator) : allocator_(allocator) {}
    ~MediaChunk() override;

    /// Hands the chunk to its allocator, which frees the block and the chunk.
    void release() override;

    std::uint32_t timestamp = 0;  // ms
    std::int32_t duration = 0;    // ms
    std::uint32_t spare[2] = {0, 0};

    MediaBufferAllocator* allocator() const { return allocator_; }
    ImageProperties imageProperties;
    AudioProperties audioProperties;

private:
    MediaBufferAllocator* allocator_;
};

/// The framework's allocator interface for media buffers.
class IBufferAllocator {
public:
    virtual ~IBufferAllocator() = default;
    /// Not used by this framework's buffers: always false.
    virtual bool configure(String name);
    virtual void setLimit(std::int32_t value) { limit_ = value; }
    virtual MediaBuffer* allocate(std::int32_t first, std::int32_t second, std::int32_t third) = 0;
    virtual void release(MediaBuffer* buffer) = 0;

    std::int32_t limit() const { return limit_; }

protected:
    std::int32_t limit_ = 0;
};

class MediaBufferAllocator : public IBufferAllocator {
public:
    MediaBufferAllocator() { limit_ = 8; }

    /// Null whatever the arguments: chunks are made only with create().
    MediaBuffer* allocate(std::int32_t, std::int32_t, std::int32_t) override { return nullptr; }
    /// Frees the buffer's block (array delete) when its capacity is not 0, then the
    /// buffer. Null does nothing.
    void release(MediaBuffer* buffer) override;

    /// A new chunk that takes over `data` (from new[]), with size, time and duration 0.
    /// Throws std::bad_alloc before taking `data` when the chunk cannot be made.
    MediaChunk* create(unsigned char* data, std::int32_t capacity);
};

/// The allocator of the chunks that streams hand to a host: one for the process, never
/// destroyed, so that a host may release a chunk after the component that made it is gone
/// (a renderer still showing the last subtitle while the player tears down).
MediaBufferAllocator& handedOutChunkAllocator();

/// A chunk of handedOutChunkAllocator() with its own copy of the `length` bytes at `text`:
/// capacity and size `length`, times 0, no block when `length` is 0. The copy is a block of
/// its own from new[], so a host may take it over (lockData, then setData(nullptr, 0) before
/// release) and free it with delete[]. Throws std::bad_alloc when memory runs out.
MediaChunk* handOutCopy(const void* text, std::int32_t length);

}  // namespace Tork
