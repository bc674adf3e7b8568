#include "framework/MediaBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace Tork {
namespace {

TEST(MediaBufferAllocator, CreateHandsTheBlockToAFreshChunk) {
    MediaBufferAllocator allocator;
    auto* block = new unsigned char[5]{'H', 'e', 'l', 'l', 'o'};
    MediaChunk* chunk = allocator.create(block, 5);
    EXPECT_EQ(chunk->getCapacity(), 5);
    EXPECT_EQ(chunk->sizeField(), 0);
    EXPECT_EQ(chunk->timestamp, 0u);
    EXPECT_EQ(chunk->duration, 0);
    EXPECT_EQ(chunk->allocator(), &allocator);
    EXPECT_EQ(chunk->imageProperties.scale[0], 1);
    EXPECT_EQ(chunk->lockData(), block);
    chunk->unlockData();
    chunk->release();  // frees block and chunk; the leak checker watches
}

TEST(MediaBufferAllocator, ReleaseLeavesABlockOfCapacityZeroAlone) {
    MediaBufferAllocator allocator;
    unsigned char kept[1] = {'x'};
    allocator.create(kept, 0)->release();
    EXPECT_EQ(kept[0], 'x');
    allocator.release(nullptr);
}

// A host may keep a handed-out chunk's text beyond the chunk; a double free here before.
TEST(HandOutCopy, AHostMayTakeTheBlockOver) {
    MediaChunk* chunk = handOutCopy("Hello", 5);
    EXPECT_EQ(chunk->getCapacity(), 5);
    EXPECT_EQ(chunk->sizeField(), 5);
    unsigned char* data = chunk->lockData();
    chunk->unlockData();
    chunk->setData(nullptr, 0);
    chunk->release();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), "Hello");
    delete[] data;
}

TEST(MediaBufferAllocator, AllocateAndConfigureAnswerNothing) {
    MediaBufferAllocator allocator;
    EXPECT_EQ(allocator.limit(), 8);
    EXPECT_EQ(allocator.allocate(1, 2, 3), nullptr);
    EXPECT_FALSE(allocator.configure(String("any")));
}

TEST(MediaBuffer, LockIsReentrantAndASecondThreadWaits) {
    MediaBuffer buffer;
    buffer.lockData();
    buffer.lockData();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        buffer.lock();
        entered = true;
        buffer.unlock();
    });
    buffer.unlockData();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered);  // one level still held
    buffer.unlockData();
    other.join();
    EXPECT_TRUE(entered);
}

}  // namespace
}  // namespace Tork
