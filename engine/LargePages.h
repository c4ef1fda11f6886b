#pragma once
// Memory in whole pages of 2 MiB, where the system gives them on request,
// for large arrays that are met at random or filled at once: one page fault
// and one entry of the processor's page table cache a large page instead of
// 512 each. Smaller arrays, and a system that refuses, get ordinary memory.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace tarnwel {

namespace large_pages {

inline constexpr std::size_t kPage = std::size_t{2} << 20;
// From this size on an array is given large pages.
inline constexpr std::size_t kFrom = kPage;

// Mapped memory of `bytes` that begins on a large page, or null.
inline void* Map(std::size_t bytes) noexcept
{
    const std::size_t length = (bytes + 4095) & ~std::size_t{4095};
    // A large page's room before it, to begin on a large page.
    void* mapped = ::mmap(nullptr, length + kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const auto at = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t begin = (at + kPage - 1) & ~(std::uintptr_t{kPage} - 1);
    if (begin > at)
        ::munmap(mapped, begin - at);
    if (const std::size_t after = kPage - (begin - at); after > 0)
        ::munmap(reinterpret_cast<void*>(begin + length), after);
    ::madvise(reinterpret_cast<void*>(begin), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(begin);
}

// `bytes` of memory: large pages from kFrom on; `mapped` tells which.
inline void* Allocate(std::size_t bytes, bool& mapped)
{
    mapped = false;
    if (bytes >= kFrom) {
        if (void* memory = Map(bytes)) {
            mapped = true;
            return memory;
        }
    }
    return ::operator new(bytes);
}

inline void Free(void* memory, std::size_t bytes, bool mapped) noexcept
{
    if (mapped)
        ::munmap(memory, (bytes + 4095) & ~std::size_t{4095});
    else
        ::operator delete(memory);
}

} // namespace large_pages

// An allocator for a std::vector of such an array. Which memory an array
// has follows from its size, as the vector hands it back: a large one whose
// mapping fails is refused (bad_alloc), as ordinary memory would be.
template <typename T>
struct CLargePageAllocator {
    using value_type = T;
    CLargePageAllocator() = default;
    template <typename U>
    CLargePageAllocator(const CLargePageAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < large_pages::kFrom)
            return static_cast<T*>(::operator new(bytes));
        if (void* memory = large_pages::Map(bytes))
            return static_cast<T*>(memory);
        throw std::bad_alloc();
    }
    void deallocate(T* memory, std::size_t count) noexcept
    {
        const std::size_t bytes = count * sizeof(T);
        large_pages::Free(memory, bytes, bytes >= large_pages::kFrom);
    }
    friend bool operator==(const CLargePageAllocator&, const CLargePageAllocator&) { return true; }
};

} // namespace tarnwel
