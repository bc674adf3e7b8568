#include "framework/List.h"

#include "framework/StreamInterface.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace Tork {
namespace {

template <class T>
std::vector<T> values(const List<T>& list) {
    std::vector<T> out;
    for (const Node<T>* node = list.head; node; node = node->next) out.push_back(node->value);
    return out;
}

TEST(List, CopyKeepsOrderAndAllocator) {
    List<std::uint64_t> list;
    for (std::uint64_t v : {3u, 1u, 2u}) list.append(v);
    const List<std::uint64_t> copy(list);
    EXPECT_EQ(values(copy), (std::vector<std::uint64_t>{3, 1, 2}));
    EXPECT_EQ(copy.count, 3);
    EXPECT_EQ(copy.allocator, list.allocator);
    EXPECT_NE(copy.head, list.head);
    EXPECT_EQ(copy.tail->next, nullptr);
}

// The leak checker of the sanitizer build watches the node made before the failure.
TEST(List, CopyThatRunsOutOfMemoryGivesBackTheNodesItMade) {
    struct : StandardAllocator<Node<int>> {
        int left = 3;  // nodes still to be had
        Node<int>* allocate(std::size_t count) override {
            return left-- ? StandardAllocator::allocate(count) : throw std::bad_alloc();
        }
    } nodes;
    List<int> list;
    list.allocator = &nodes;
    list.append(1);
    list.append(2);
    EXPECT_THROW(List<int>{list}, std::bad_alloc);  // its second node fails
}

TEST(List, ClearGivesEveryNodeBackAndTheListIsReusable) {
    List<std::uint64_t> list;
    list.append(1);
    list.append(2);
    list.clear();
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.count, 0);
    list.append(7);
    EXPECT_EQ(values(list), std::vector<std::uint64_t>{7});
}

TEST(StandardAllocator, NodeRequestsBeyondTheBoundFailInsteadOfWrapping) {
    auto* ids = StandardAllocator<Node<std::uint64_t>>::instance();
    EXPECT_THROW(ids->allocate(0x10000000), std::bad_alloc);
    auto* streams = StandardAllocator<Node<StreamInterface*>>::instance();
    EXPECT_THROW(streams->allocate(0x20000000), std::bad_alloc);
    EXPECT_THROW(streams->allocate(SIZE_MAX), std::bad_alloc);
    ids->deallocate(nullptr);  // accepted
}

TEST(StandardAllocator, OneInstancePerElementType) {
    EXPECT_EQ(StandardAllocator<char>::instance(), StandardAllocator<char>::instance());
    EXPECT_NE(static_cast<void*>(StandardAllocator<char>::instance()),
              static_cast<void*>(StandardAllocator<unsigned char>::instance()));
}

}  // namespace
}  // namespace Tork
