// The heap of quillet-cli. Each command reads a project, works on it and
// ends: the model's many small objects are never freed one by one (the
// project is left to the end of the process). Small blocks therefore come
// from a large region handed out front to back, with no header and no free
// lists; freeing one does nothing. Blocks of whole huge pages come from a
// second region and go back when freed; the ones between, which are freed
// and asked for again (growing tables, buffers), go to malloc as usual.
//
// Not in sanitizer builds: their allocator must see every block.
#if !defined(QUILLET_SANITIZE)

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

// Blocks up to this size come from the region.
constexpr std::size_t kSmall = 256;
// Address space reserved at once; pages are taken from the system only as
// they are first used, a chunk at a time: one call instead of a fault for
// every page. The region asks for huge pages where the system gives them on
// request: a 2 MiB page costs little more to clear than a 4 KiB one costs to
// fault in and account, and a large project fills thousands of them.
constexpr std::size_t kRegionSize = std::size_t(1) << 34;
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kChunk = std::size_t(4) << 20;

struct TRegion {
    TRegion()
    {
        void* p = ::mmap(nullptr, kRegionSize + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        // Refused (a limit on address space, strict overcommit): malloc only.
        if (p != MAP_FAILED) {
            // Chunks start on huge-page boundaries.
            const auto at = reinterpret_cast<std::uintptr_t>(p);
            Begin = static_cast<char*>(p) + ((kHugePage - at % kHugePage) % kHugePage);
            Size = kRegionSize;
            ::madvise(Begin, Size, MADV_HUGEPAGE); // only a hint, like the populating
        }
    }
    char* Begin = nullptr;
    std::size_t Size = 0;
    std::atomic<std::size_t> Used{0};
};

// Made on first use, also by a block allocated before main.
TRegion& Region()
{
    static TRegion region;
    return region;
}

// Each thread takes a chunk of the region at a time and hands out its
// blocks without a locked instruction; what does not fit at a chunk's end
// is left over.
struct TCursor {
    char* Next = nullptr;
    char* End = nullptr;
};
thread_local TCursor t_Cursor;

// A block of size bytes (a multiple of the alignment, at most kSmall) from
// the region; nullptr when the region is used up or was refused.
void* AllocateSmall(std::size_t size)
{
    TCursor& cursor = t_Cursor;
    if (static_cast<std::size_t>(cursor.End - cursor.Next) < size) {
        TRegion& r = Region();
        const std::size_t at = r.Used.fetch_add(kChunk, std::memory_order_relaxed);
        if (!r.Begin || at + kChunk > r.Size) return nullptr;
        // Only a hint: where the system cannot, the pages fault in one by one.
        ::madvise(r.Begin + at, kChunk, MADV_POPULATE_WRITE);
        cursor.Next = r.Begin + at;
        cursor.End = cursor.Next + kChunk;
    }
    void* p = cursor.Next;
    cursor.Next += size;
    return p;
}

// Blocks from 2 MiB on: whole huge pages of a second region, so that each
// takes a fault per 2 MiB instead of one per 4 KiB. A freed block's pages go
// back to the system at once, as malloc's would, and its place waits for a
// block of the same number of pages.
class TLargeRegion {
public:
    TLargeRegion()
    {
        void* p = ::mmap(nullptr, kRegionSize + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) return; // malloc takes these blocks too, then
        const auto at = reinterpret_cast<std::uintptr_t>(p);
        m_Begin = static_cast<char*>(p) + ((kHugePage - at % kHugePage) % kHugePage);
        ::madvise(m_Begin, kRegionSize, MADV_HUGEPAGE);
    }

    // nullptr when the region has no room.
    void* Allocate(std::size_t size)
    {
        if (!m_Begin) return nullptr;
        const std::size_t pages = (size + kHugePage - 1) / kHugePage;
        const std::lock_guard<std::mutex> lock(m_Mutex);
        for (std::size_t i = 0; i < m_FreeCount; ++i)
            if (m_Pages[m_Free[i]] == pages) {
                const std::size_t first = m_Free[i];
                m_Free[i] = m_Free[--m_FreeCount];
                return m_Begin + first * kHugePage;
            }
        if (pages > kPages - m_Next) return nullptr;
        const std::size_t first = m_Next;
        m_Next += pages;
        m_Pages[first] = pages;
        return m_Begin + first * kHugePage;
    }

    // False when p is not from here.
    bool Release(void* p) noexcept
    {
        auto* c = static_cast<char*>(p);
        if (!m_Begin || c < m_Begin || c >= m_Begin + kRegionSize) return false;
        const std::size_t first = static_cast<std::size_t>(c - m_Begin) / kHugePage;
        ::madvise(c, m_Pages[first] * kHugePage, MADV_DONTNEED);
        const std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_FreeCount < kMaxFree) m_Free[m_FreeCount++] = first; // otherwise its place is not used again
        return true;
    }

private:
    static constexpr std::size_t kPages = kRegionSize / kHugePage;
    static constexpr std::size_t kMaxFree = 64;
    char* m_Begin = nullptr;
    std::mutex m_Mutex;
    std::size_t m_Next = 0;
    std::size_t m_Pages[kPages] = {}; // of each block, at its first page
    std::size_t m_Free[kMaxFree] = {};
    std::size_t m_FreeCount = 0;
};

TLargeRegion& LargeRegion()
{
    static TLargeRegion region;
    return region;
}

void* Allocate(std::size_t size)
{
    if (size >= kHugePage)
        if (void* p = LargeRegion().Allocate(size)) return p;
    if (size <= kSmall) {
        // Aligned for any type, as operator new must be; a block of 0 bytes
        // still gets an address of its own.
        constexpr std::size_t kAlign = alignof(std::max_align_t);
        if (void* p = AllocateSmall(size ? (size + kAlign - 1) & ~(kAlign - 1) : kAlign)) return p;
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void Release(void* p) noexcept
{
    const TRegion& r = Region();
    const auto* c = static_cast<const char*>(p);
    if (!p || (c >= r.Begin && c < r.Begin + r.Size)) return;
    if (!LargeRegion().Release(p)) std::free(p);
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

#endif
