// The framework's singly linked list, returned by value from the interfaces.
#pragma once

#include "framework/StandardAllocator.h"

#include <cstdint>
#include <utility>

namespace Tork {

template <class T>
struct Node {
    T value;
    Node* next;
};

/// A singly linked list whose nodes come from the process-wide allocator for Node<T>.
/// Appending throws std::bad_alloc when no node can be had; the list is then unchanged.
template <class T>
class List {
public:
    List() = default;
    /// Nodes come from `other`'s allocator. When one cannot be had, those already made are
    /// given back before the exception leaves: no destructor runs for a failed constructor.
    List(const List& other) : allocator(other.allocator) {
        try {
            for (const Node<T>* node = other.head; node; node = node->next) append(node->value);
        } catch (...) {
            clear();
            throw;
        }
    }
    List(List&& other) noexcept
        : head(std::exchange(other.head, nullptr)),
          tail(std::exchange(other.tail, nullptr)),
          count(std::exchange(other.count, 0)),
          allocator(other.allocator) {}
    List& operator=(List other) noexcept {
        swap(other);
        return *this;
    }
    ~List() { clear(); }

    void append(const T& value) {
        Node<T>* node = allocator->allocate(1);
        ::new (node) Node<T>{value, nullptr};
        (tail ? tail->next : head) = node;
        tail = node;
        ++count;
    }

    void clear() noexcept {
        while (head) {
            Node<T>* next = head->next;
            head->~Node<T>();
            allocator->deallocate(head);
            head = next;
        }
        tail = nullptr;
        count = 0;
    }

    void swap(List& other) noexcept {
        std::swap(head, other.head);
        std::swap(tail, other.tail);
        std::swap(count, other.count);
        std::swap(allocator, other.allocator);
    }

    Node<T>* head = nullptr;
    Node<T>* tail = nullptr;
    std::int32_t count = 0;
    StandardAllocator<Node<T>>* allocator = StandardAllocator<Node<T>>::instance();
};

}  // namespace Tork
