#pragma once
// Storage for large arrays that are filled once and read through, such as the
// records of a whole folder or of a whole server reply.
//
// A block of at least kBulkBlockBytes is mapped on its own, aligned to 2 MiB,
// and its whole 2 MiB stretches are offered to the kernel for transparent huge
// pages. Filling such an array then costs one page fault per 2 MiB instead of
// one per 4 KiB, which is most of what filling it costs where faults are dear
// (virtual machines). Room that is reserved but never written is never
// touched, as with any mapping; a freed block goes back to the system at once
// instead of staying in the heap. A smaller block comes from operator new.
// Where the kernel offers no huge pages, a block is an ordinary mapping.

#include <cstddef>
#include <new>
#include <vector>

namespace tarnwel {

inline constexpr std::size_t kBulkBlockBytes = std::size_t{2} << 20;

// Throws std::bad_alloc when the memory cannot be had.
void* AllocateBulk(std::size_t bytes);
// `bytes` as given to AllocateBulk for the block.
void FreeBulk(void* block, std::size_t bytes) noexcept;

template <typename T>
class CBulkAllocator {
public:
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "blocks are aligned as operator new aligns");
    using value_type = T;

    CBulkAllocator() noexcept = default;
    template <typename U>
    CBulkAllocator(const CBulkAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateBulk(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept { FreeBulk(block, count * sizeof(T)); }

    friend bool operator==(const CBulkAllocator&, const CBulkAllocator&) noexcept { return true; }
};

// A vector whose storage is taken as above.
template <typename T>
using CBulkVector = std::vector<T, CBulkAllocator<T>>;

} // namespace tarnwel
