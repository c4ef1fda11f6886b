#include "platform/base/BulkAllocator.h"

#include <cstdint>
#include <sys/mman.h>

namespace tarnwel {
namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

constexpr std::size_t RoundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

// The mapped size of a block of `bytes`: whole 4 KiB pages.
constexpr std::size_t MappedBytes(std::size_t bytes)
{
    return RoundUp(bytes, 4096);
}

} // namespace

void* AllocateBulk(std::size_t bytes)
{
    if (bytes < kBulkBlockBytes)
        return ::operator new(bytes);
    const std::size_t size = MappedBytes(bytes);
    if (size < bytes || size > static_cast<std::size_t>(-1) - kHugePageBytes)
        throw std::bad_alloc();
    // Mapped with a huge page's room to spare, then cut to a start on a
    // 2 MiB boundary.
    const std::size_t spare = size + kHugePageBytes;
    void* mapped = ::mmap(nullptr, spare, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto address = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = RoundUp(address, kHugePageBytes);
    if (start > address)
        ::munmap(mapped, start - address);
    const std::size_t tail = spare - (start - address) - size;
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(start + size), tail);
    // Only the stretches that the block fills whole: a huge page at the end
    // would make the last few KiB written cost up to 2 MiB of memory.
    const std::size_t whole = bytes / kHugePageBytes * kHugePageBytes;
    // Advice the kernel cannot take changes nothing but the speed.
    ::madvise(reinterpret_cast<void*>(start), whole, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(start);
}

void FreeBulk(void* block, std::size_t bytes) noexcept
{
    if (block == nullptr)
        return;
    if (bytes < kBulkBlockBytes) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, MappedBytes(bytes));
}

} // namespace tarnwel
