#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace ovri::korvane {

// A fixed-capacity ring for one producer thread and one consumer thread.
// Neither side ever waits, allocates or enters the kernel: push() fails
// when the ring is full, pop() when it is empty. The storage is allocated
// once, by the constructor. T is copied in and out by value, so it must be
// trivially copyable (commands, records, pointers to handed-over objects).
//
// The producer writes an element, then publishes it by storing the new
// write index with release order; the consumer loads that index with
// acquire order before it reads the element, and hands the place back the
// same way through the read index.
template <typename T>
class SpscRing {
  static_assert(std::is_trivially_copyable_v<T>, "ring elements are copied as bytes");

public:
  // capacity is rounded up to a power of two.
  explicit SpscRing(size_t capacity) {
    size_t n = 2;
    while (n < capacity) n <<= 1;
    mask = n - 1;
    slots.reset(new T[n]);
  }
  SpscRing(const SpscRing&) = delete;
  SpscRing& operator=(const SpscRing&) = delete;

  size_t capacity() const { return mask + 1; }

  // Producer side.
  bool push(const T& value) {
    const size_t w = writeIndex.load(std::memory_order_relaxed);
    if (w - readIndex.load(std::memory_order_acquire) > mask) return false;  // full
    slots[w & mask] = value;
    writeIndex.store(w + 1, std::memory_order_release);
    return true;
  }
  // Places the producer can still fill (a lower bound while the consumer runs).
  size_t freeSpace() const {
    return capacity() - (writeIndex.load(std::memory_order_relaxed) - readIndex.load(std::memory_order_acquire));
  }

  // Consumer side.
  bool pop(T& out) {
    const size_t r = readIndex.load(std::memory_order_relaxed);
    if (r == writeIndex.load(std::memory_order_acquire)) return false;  // empty
    out = slots[r & mask];
    readIndex.store(r + 1, std::memory_order_release);
    return true;
  }
  // The element pop() would return, left in the ring; null when empty.
  const T* peek() const {
    const size_t r = readIndex.load(std::memory_order_relaxed);
    if (r == writeIndex.load(std::memory_order_acquire)) return nullptr;
    return &slots[r & mask];
  }
  void discardFront() { readIndex.store(readIndex.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

private:
  std::unique_ptr<T[]> slots;
  size_t mask = 0;
  // Each index on its own cache line, so the two threads do not share one.
  alignas(64) std::atomic<size_t> writeIndex{0};
  alignas(64) std::atomic<size_t> readIndex{0};
};

}  // namespace ovri::korvane
