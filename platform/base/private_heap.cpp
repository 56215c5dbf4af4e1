// Private heaps as arenas.
//
// A heap owns a list of chunks and bumps a cursor through the newest one.
// Every block has a 16-byte header (size asked for, capacity, state). Freed
// blocks of up to 1 KiB go on a free list per capacity and are handed out
// again; larger ones are reclaimed only when they were the last block of the
// current chunk, or when they had a chunk of their own. HeapDestroy frees all
// chunks at once.
//
// Under AddressSanitizer every block is followed by a 16-byte poisoned red
// zone, and freed blocks and unused chunk space are poisoned, so overruns and
// use after HeapFree are reported as they would be for malloc blocks.
//
// Sections: Blocks; The private heap; The process heap; Live heaps; The heap functions.
#include "platform/base/private_heap.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KS_HEAP_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KS_HEAP_ASAN 1
#endif

#ifdef KS_HEAP_ASAN
#include <sanitizer/asan_interface.h>
#define KS_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define KS_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
constexpr size_t kRedZone = 16;
#else
#define KS_POISON(p, n) ((void)(p), (void)(n))
#define KS_UNPOISON(p, n) ((void)(p), (void)(n))
constexpr size_t kRedZone = 0;
#endif

namespace {

constexpr std::uint32_t kHeapMagic = 0x48454150;  // "HEAP"
constexpr std::uint32_t kBlockUsed = 0xB10CB10C;
constexpr std::uint32_t kBlockFree = 0xF4EEF4EE;
constexpr std::uint32_t kBlockOwnChunk = 0x1;  // flag in BlockHeader::flags

constexpr size_t kAlign = 16;
constexpr size_t kSmallLimit = 1024;  // capacities with a free list
constexpr size_t kSmallClasses = kSmallLimit / kAlign;
constexpr size_t kMinChunk = 64 * 1024;
constexpr size_t kMaxChunk = 8 * 1024 * 1024;
constexpr size_t kMaxBlock = size_t(1) << 40;

// ---- Blocks ----

struct alignas(16) BlockHeader {
    union {
        std::uint64_t size;  // bytes asked for, while in use
        BlockHeader* next;   // next free block of the same capacity, while free
    };
    std::uint32_t state;
    std::uint16_t capacityUnits;  // capacity / 16 for small blocks, 0 for large ones
    std::uint16_t flags;
};
static_assert(sizeof(BlockHeader) == 16);

// Large blocks keep their capacity in the 16 bytes before the header.
struct alignas(16) LargePrefix {
    std::uint64_t capacity;
    std::uint64_t unused;
};

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

char* UserOf(BlockHeader* h) { return reinterpret_cast<char*>(h + 1); }
BlockHeader* HeaderOf(const void* p) { return const_cast<BlockHeader*>(static_cast<const BlockHeader*>(p) - 1); }

// ---- The private heap ----

// A lock that is skipped for heaps (or calls) without serialisation.
class HeapLock {
public:
    HeapLock(std::mutex& m, bool use) : m_mutex(use ? &m : nullptr)
    {
        if (m_mutex) m_mutex->lock();
    }
    ~HeapLock()
    {
        if (m_mutex) m_mutex->unlock();
    }
    HeapLock(const HeapLock&) = delete;
    HeapLock& operator=(const HeapLock&) = delete;

private:
    std::mutex* m_mutex;
};

class PrivateHeap {
public:
    PrivateHeap(DWORD options, size_t initialSize, size_t maxSize)
        : m_options(options), m_maxSize(maxSize),
          m_nextChunk(std::clamp(RoundUp(initialSize, 4096), kMinChunk, kMaxChunk))
    {}
    ~PrivateHeap()
    {
        for (void* chunk : m_chunks) {
            KS_UNPOISON(chunk, ChunkSizeOf(chunk));
            std::free(chunk);
        }
        m_magic = 0;
    }
    PrivateHeap(const PrivateHeap&) = delete;
    PrivateHeap& operator=(const PrivateHeap&) = delete;

    bool Valid() const { return m_magic == kHeapMagic; }
    bool Serialized(DWORD flags) const { return !((m_options | flags) & HEAP_NO_SERIALIZE); }
    std::mutex& Mutex() { return m_mutex; }

    void* Allocate(size_t bytes, bool zero)
    {
        if (bytes > kMaxBlock) return nullptr;
        size_t capacity = CapacityFor(bytes);
        if (m_maxSize && m_inUse + capacity + sizeof(BlockHeader) > m_maxSize) return nullptr;
        BlockHeader* h = capacity <= kSmallLimit ? TakeFree(capacity) : nullptr;
        if (!h) h = capacity <= kSmallLimit ? Carve(capacity) : CarveLarge(capacity);
        if (!h) return nullptr;
        h->size = bytes;
        h->state = kBlockUsed;
        m_inUse += capacity + sizeof(BlockHeader);
        KS_UNPOISON(UserOf(h), bytes);
        if (zero) std::memset(UserOf(h), 0, bytes);
        return UserOf(h);
    }

    bool Free(void* p)
    {
        BlockHeader* h = HeaderOf(p);
        if (h->state != kBlockUsed) return false;
        size_t capacity = CapacityOf(h);
        m_inUse -= capacity + sizeof(BlockHeader);
        h->state = kBlockFree;
        KS_POISON(UserOf(h), capacity);
        if (h->flags & kBlockOwnChunk) {
            ReleaseOwnChunk(h);
        } else if (UserOf(h) + capacity == m_cursor) {
            m_cursor = reinterpret_cast<char*>(h) - (h->capacityUnits ? 0 : sizeof(LargePrefix));
            KS_POISON(m_cursor, static_cast<size_t>(m_limit - m_cursor));
        } else if (capacity <= kSmallLimit) {
            h->next = m_free[capacity / kAlign - 1];
            m_free[capacity / kAlign - 1] = h;
        }
        return true;
    }

    void* Resize(void* p, size_t bytes, DWORD flags)
    {
        BlockHeader* h = HeaderOf(p);
        if (h->state != kBlockUsed || bytes > kMaxBlock) return nullptr;
        size_t old = static_cast<size_t>(h->size);
        size_t capacity = CapacityOf(h);
        bool zero = flags & HEAP_ZERO_MEMORY;
        if (bytes + kRedZone <= capacity) {
            Resized(h, old, bytes, zero);
            return p;
        }
        // The last block of the current chunk can grow into the rest of it.
        size_t wanted = RoundUp(bytes, kAlign) + kRedZone;
        bool last = UserOf(h) + capacity == m_cursor && !(h->flags & kBlockOwnChunk);
        // A small block's capacity must stay small: its header has no room
        // for a larger one.
        bool layoutFits = h->capacityUnits == 0 || wanted <= kSmallLimit;
        if (last && layoutFits && UserOf(h) + wanted <= m_limit &&
            (!m_maxSize || m_inUse + wanted - capacity <= m_maxSize)) {
            SetCapacity(h, wanted);
            m_inUse += wanted - capacity;
            m_cursor = UserOf(h) + wanted;
            Resized(h, old, bytes, zero);
            return p;
        }
        if (flags & HEAP_REALLOC_IN_PLACE_ONLY) return nullptr;
        void* moved = Allocate(bytes, false);
        if (!moved) return nullptr;
        std::memcpy(moved, p, std::min(old, bytes));
        if (zero && bytes > old) std::memset(static_cast<char*>(moved) + old, 0, bytes - old);
        Free(p);
        return moved;
    }

    static size_t SizeOf(const void* p)
    {
        const BlockHeader* h = HeaderOf(p);
        return h->state == kBlockUsed ? static_cast<size_t>(h->size) : static_cast<size_t>(-1);
    }

private:
    static size_t CapacityFor(size_t bytes) { return std::max(RoundUp(bytes, kAlign), kAlign) + kRedZone; }

    static size_t CapacityOf(const BlockHeader* h)
    {
        if (h->capacityUnits) return size_t(h->capacityUnits) * kAlign;
        return static_cast<size_t>(reinterpret_cast<const LargePrefix*>(h)[-1].capacity);
    }

    static void SetCapacity(BlockHeader* h, size_t capacity)
    {
        if (h->capacityUnits && capacity <= kSmallLimit) {
            h->capacityUnits = static_cast<std::uint16_t>(capacity / kAlign);
        } else {
            reinterpret_cast<LargePrefix*>(h)[-1].capacity = capacity;
        }
    }

    static void Resized(BlockHeader* h, size_t old, size_t bytes, bool zero)
    {
        if (bytes > old) {
            KS_UNPOISON(UserOf(h) + old, bytes - old);
            if (zero) std::memset(UserOf(h) + old, 0, bytes - old);
        } else {
            KS_POISON(UserOf(h) + bytes, old - bytes);
        }
        h->size = bytes;
    }

    BlockHeader* TakeFree(size_t capacity)
    {
        BlockHeader*& head = m_free[capacity / kAlign - 1];
        BlockHeader* h = head;
        if (h) head = h->next;
        return h;
    }

    // Room for `bytes` at the cursor, opening a new chunk when needed.
    char* Reserve(size_t bytes)
    {
        if (static_cast<size_t>(m_limit - m_cursor) < bytes) {
            size_t size = m_nextChunk;
            while (size < bytes) size *= 2;
            char* chunk = NewChunk(size);
            if (!chunk) return nullptr;
            m_cursor = chunk;
            m_limit = chunk + size;
            m_nextChunk = std::min(m_nextChunk * 2, kMaxChunk);
        }
        char* p = m_cursor;
        m_cursor += bytes;
        return p;
    }

    BlockHeader* Carve(size_t capacity)
    {
        char* p = Reserve(sizeof(BlockHeader) + capacity);
        if (!p) return nullptr;
        KS_UNPOISON(p, sizeof(BlockHeader));
        auto* h = reinterpret_cast<BlockHeader*>(p);
        h->capacityUnits = static_cast<std::uint16_t>(capacity / kAlign);
        h->flags = 0;
        return h;
    }

    BlockHeader* CarveLarge(size_t capacity)
    {
        size_t total = sizeof(LargePrefix) + sizeof(BlockHeader) + capacity;
        char* p = nullptr;
        bool own = capacity > m_nextChunk / 4;
        if (own) {
            p = NewChunk(total);
        } else {
            p = Reserve(total);
        }
        if (!p) return nullptr;
        KS_UNPOISON(p, sizeof(LargePrefix) + sizeof(BlockHeader));
        reinterpret_cast<LargePrefix*>(p)->capacity = capacity;
        auto* h = reinterpret_cast<BlockHeader*>(p + sizeof(LargePrefix));
        h->capacityUnits = 0;
        h->flags = own ? kBlockOwnChunk : 0;
        return h;
    }

    char* NewChunk(size_t size)
    {
        // The chunk's size sits in front of it, so destroy can unpoison it.
        auto* raw = static_cast<char*>(std::aligned_alloc(kAlign, RoundUp(size + kAlign, kAlign)));
        if (!raw) return nullptr;
        *reinterpret_cast<size_t*>(raw) = size;
        m_chunks.push_back(raw);
        char* chunk = raw + kAlign;
        KS_POISON(chunk, size);
        return chunk;
    }

    static size_t ChunkSizeOf(void* raw) { return *static_cast<size_t*>(raw) + kAlign; }

    void ReleaseOwnChunk(BlockHeader* h)
    {
        char* raw = reinterpret_cast<char*>(h) - sizeof(LargePrefix) - kAlign;
        auto it = std::find(m_chunks.begin(), m_chunks.end(), raw);
        if (it == m_chunks.end()) return;
        m_chunks.erase(it);
        KS_UNPOISON(raw, ChunkSizeOf(raw));
        std::free(raw);
    }

    std::uint32_t m_magic = kHeapMagic;
    DWORD m_options;
    size_t m_maxSize;
    size_t m_nextChunk;
    size_t m_inUse = 0;
    std::mutex m_mutex;
    std::vector<void*> m_chunks;
    char* m_cursor = nullptr;
    char* m_limit = nullptr;
    BlockHeader* m_free[kSmallClasses] = {};
};

// ---- The process heap ----

// The process heap: plain malloc blocks behind the same header, so HeapSize
// works on them.
struct ProcessHeapTag {
    int unused;
};
ProcessHeapTag g_processHeap;

HANDLE ProcessHandle() { return &g_processHeap; }

void* ProcessAlloc(size_t bytes, bool zero)
{
    if (bytes > kMaxBlock) return nullptr;
    void* raw = zero ? std::calloc(1, sizeof(BlockHeader) + bytes) : std::malloc(sizeof(BlockHeader) + bytes);
    if (!raw) return nullptr;
    auto* h = static_cast<BlockHeader*>(raw);
    h->size = bytes;
    h->state = kBlockUsed;
    h->capacityUnits = 0;
    h->flags = 0;
    return h + 1;
}

std::mutex g_registryMutex;

// ---- Live heaps ----

std::unordered_set<PrivateHeap*>& Registry()
{
    static auto* heaps = new std::unordered_set<PrivateHeap*>;
    return *heaps;
}

// A handle is looked up among the live heaps before it is touched, so a
// destroyed heap's handle is refused instead of read after it was freed.
PrivateHeap* AsHeap(HANDLE heap)
{
    auto* h = static_cast<PrivateHeap*>(heap);
    if (!h || heap == ProcessHandle()) return nullptr;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    return Registry().count(h) && h->Valid() ? h : nullptr;
}

}  // namespace

// ---- The heap functions ----

HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maxSize)
{
    auto* heap = new (std::nothrow) PrivateHeap(options, initialSize, maxSize ? RoundUp(maxSize, 4096) : 0);
    if (!heap) return nullptr;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    Registry().insert(heap);
    return heap;
}

BOOL HeapDestroy(HANDLE heap)
{
    if (!heap || heap == ProcessHandle()) return FALSE;
    auto* h = static_cast<PrivateHeap*>(heap);
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        if (Registry().erase(h) == 0) return FALSE;
    }
    delete h;
    return TRUE;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    if (heap == ProcessHandle()) return ProcessAlloc(bytes, flags & HEAP_ZERO_MEMORY);
    PrivateHeap* h = AsHeap(heap);
    if (!h) return nullptr;
    HeapLock lock(h->Mutex(), h->Serialized(flags));
    return h->Allocate(bytes, flags & HEAP_ZERO_MEMORY);
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID mem, SIZE_T bytes)
{
    if (!mem) return nullptr;
    if (heap == ProcessHandle()) {
        BlockHeader* old = HeaderOf(mem);
        if (old->state != kBlockUsed) return nullptr;
        size_t oldSize = static_cast<size_t>(old->size);
        if (bytes > kMaxBlock) return nullptr;
        if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
            // realloc may move even a shrinking block: resize only within
            // what the block already has.
            if (sizeof(BlockHeader) + bytes > malloc_usable_size(old)) return nullptr;
            if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize) std::memset(UserOf(old) + oldSize, 0, bytes - oldSize);
            old->size = bytes;
            return mem;
        }
        auto* h = static_cast<BlockHeader*>(std::realloc(old, sizeof(BlockHeader) + bytes));
        if (!h) return nullptr;
        h->size = bytes;
        if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize) std::memset(UserOf(h) + oldSize, 0, bytes - oldSize);
        return UserOf(h);
    }
    PrivateHeap* h = AsHeap(heap);
    if (!h) return nullptr;
    HeapLock lock(h->Mutex(), h->Serialized(flags));
    return h->Resize(mem, bytes, flags);
}

BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID mem)
{
    if (!mem) return heap ? TRUE : FALSE;
    if (heap == ProcessHandle()) {
        BlockHeader* h = HeaderOf(mem);
        if (h->state != kBlockUsed) return FALSE;
        h->state = kBlockFree;
        std::free(h);
        return TRUE;
    }
    PrivateHeap* h = AsHeap(heap);
    if (!h) return FALSE;
    HeapLock lock(h->Mutex(), h->Serialized(flags));
    return h->Free(mem) ? TRUE : FALSE;
}

SIZE_T HeapSize(HANDLE heap, DWORD flags, LPCVOID mem)
{
    if (!mem) return static_cast<SIZE_T>(-1);
    if (heap == ProcessHandle()) return PrivateHeap::SizeOf(mem);
    PrivateHeap* h = AsHeap(heap);
    if (!h) return static_cast<SIZE_T>(-1);
    HeapLock lock(h->Mutex(), h->Serialized(flags));
    return PrivateHeap::SizeOf(mem);
}

HANDLE GetProcessHeap() { return ProcessHandle(); }
