#pragma once

// Replaces the program's allocation functions with ones that count every
// allocation and every free made by a thread while its `countAllocations`
// flag is set. Include it in exactly one file of a test program.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace ovri::korvane::test {

inline thread_local bool countAllocations = false;
inline std::atomic<int64_t> countedAllocations{0};

// Counts what the calling thread allocates or frees while it lives.
class CountingAllocations {
public:
  CountingAllocations() { countAllocations = true; }
  ~CountingAllocations() { countAllocations = false; }
  CountingAllocations(const CountingAllocations&) = delete;
  CountingAllocations& operator=(const CountingAllocations&) = delete;
};

inline void* countedAllocate(std::size_t size) {
  if (countAllocations) countedAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

inline void countedRelease(void* p) noexcept {
  if (p != nullptr && countAllocations) countedAllocations.fetch_add(1, std::memory_order_relaxed);
  std::free(p);
}

}  // namespace ovri::korvane::test

void* operator new(std::size_t size) { return ovri::korvane::test::countedAllocate(size); }
void* operator new[](std::size_t size) { return ovri::korvane::test::countedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ovri::korvane::test::countedAllocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { ovri::korvane::test::countedRelease(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ovri::korvane::test::countedRelease(p); }
void operator delete(void* p) noexcept { ovri::korvane::test::countedRelease(p); }
void operator delete[](void* p) noexcept { ovri::korvane::test::countedRelease(p); }
void operator delete(void* p, std::size_t) noexcept { ovri::korvane::test::countedRelease(p); }
void operator delete[](void* p, std::size_t) noexcept { ovri::korvane::test::countedRelease(p); }
