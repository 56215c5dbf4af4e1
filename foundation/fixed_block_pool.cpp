#include "foundation/fixed_block_pool.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

// Slabs are aligned for any block.
constexpr std::size_t kSlabAlign = 16;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

// Holds the pool's lock for a scope. The lock is held for a few pointer
// moves (or one slab allocation), so a waiter spins, yielding its turn.
class FixedBlockPool::Guard {
public:
    explicit Guard(std::atomic<bool>& locked) : m_locked(locked)
    {
        while (m_locked.exchange(true, std::memory_order_acquire)) {
            while (m_locked.load(std::memory_order_relaxed)) std::this_thread::yield();
        }
    }
    ~Guard() { m_locked.store(false, std::memory_order_release); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    std::atomic<bool>& m_locked;
};

FixedBlockPool::FixedBlockPool(std::size_t blockSize, std::size_t alignment, std::size_t slabBytes,
                               std::size_t keepBytes)
    : m_alignment(std::clamp(std::bit_ceil(alignment), alignof(FreeBlock), kSlabAlign)),
      m_blockSize(RoundUp(std::max(blockSize, sizeof(FreeBlock)), m_alignment)),
      m_blocksPerSlab(std::max<std::size_t>(slabBytes / m_blockSize, 1)), m_keepBytes(keepBytes)
{
}

FixedBlockPool::~FixedBlockPool()
{
    // Blocks still in use at exit (a list freed after the pool) keep their slabs.
    Guard guard(m_locked);
    if (m_live == 0) ReleaseSlabsLocked();
}

bool FixedBlockPool::Pooling() { return kPooled; }

void* FixedBlockPool::Allocate() noexcept
{
    Guard guard(m_locked);
    void* block = nullptr;
    if (!kPooled) {
        block = std::aligned_alloc(kSlabAlign, RoundUp(m_blockSize, kSlabAlign));
    } else if (m_free) {
        block = m_free;
        m_free = m_free->next;
    } else {
        block = CarveLocked();
    }
    if (block) ++m_live;
    return block;
}

void FixedBlockPool::Free(void* block) noexcept
{
    if (!block) return;
    // Slabs given back are freed after the lock is let go: the lock is held
    // only for a few pointer moves.
    std::vector<void*> released;
    {
        Guard guard(m_locked);
        --m_live;
        if (!kPooled) {
            std::free(block);
            return;
        }
        auto* freed = static_cast<FreeBlock*>(block);
        freed->next = m_free;
        m_free = freed;
        if (m_live > 0) return;
        if (m_slabs.size() * m_blocksPerSlab * m_blockSize > m_keepBytes) released.swap(m_slabs);
        m_free = nullptr;
        m_carveSlab = m_carveAt = 0;
    }
    for (void* slab : released) std::free(slab);
}

std::size_t FixedBlockPool::LiveBlocks() const
{
    Guard guard(m_locked);
    return m_live;
}

std::size_t FixedBlockPool::SlabBytes() const
{
    Guard guard(m_locked);
    return m_slabs.size() * m_blocksPerSlab * m_blockSize;
}

void* FixedBlockPool::CarveLocked()
{
    for (;;) {
        while (m_carveSlab < m_slabs.size()) {
            if (m_carveAt < m_blocksPerSlab) return static_cast<unsigned char*>(m_slabs[m_carveSlab]) + m_carveAt++ * m_blockSize;
            ++m_carveSlab;
            m_carveAt = 0;
        }
        try {
            m_slabs.reserve(m_slabs.size() + 1);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        void* slab = std::aligned_alloc(kSlabAlign, RoundUp(m_blocksPerSlab * m_blockSize, kSlabAlign));
        if (!slab) return nullptr;
        m_slabs.push_back(slab);
    }
}

void FixedBlockPool::ReleaseSlabsLocked()
{
    for (void* slab : m_slabs) std::free(slab);
    m_slabs.clear();
    m_slabs.shrink_to_fit();
    m_free = nullptr;
    m_carveSlab = m_carveAt = 0;
}
