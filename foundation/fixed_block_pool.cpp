#include "foundation/fixed_block_pool.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>

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

}  // namespace

FixedBlockPool::FixedBlockPool(std::size_t blockSize, std::size_t alignment, std::size_t slabBytes,
                               std::size_t keepBytes)
    : m_alignment(std::clamp(std::bit_ceil(alignment), alignof(FreeBlock), kSlabAlign)),
      m_blockSize((std::max(blockSize, sizeof(FreeBlock)) + m_alignment - 1) / m_alignment * m_alignment),
      m_blocksPerSlab(std::max<std::size_t>(slabBytes / m_blockSize, 1)), m_keepBytes(keepBytes)
{
}

FixedBlockPool::~FixedBlockPool()
{
    // Blocks still in use at exit (a list freed after the pool) keep their slabs.
    std::lock_guard lock(m_lock);
    if (m_live == 0) ReleaseSlabsLocked();
}

bool FixedBlockPool::Pooling() { return kPooled; }

void* FixedBlockPool::Allocate() noexcept
{
    std::lock_guard lock(m_lock);
    if (!kPooled) {
        void* block = std::aligned_alloc(kSlabAlign, (m_blockSize + kSlabAlign - 1) / kSlabAlign * kSlabAlign);
        if (block) ++m_live;
        return block;
    }
    if (!m_free && !AddSlabLocked()) return nullptr;
    FreeBlock* block = m_free;
    m_free = block->next;
    ++m_live;
    return block;
}

void FixedBlockPool::Free(void* block) noexcept
{
    if (!block) return;
    std::lock_guard lock(m_lock);
    if (!kPooled) {
        std::free(block);
        --m_live;
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = m_free;
    m_free = freed;
    if (--m_live == 0 && m_slabs.size() * m_blocksPerSlab * m_blockSize > m_keepBytes) ReleaseSlabsLocked();
}

std::size_t FixedBlockPool::LiveBlocks() const
{
    std::lock_guard lock(m_lock);
    return m_live;
}

std::size_t FixedBlockPool::SlabBytes() const
{
    std::lock_guard lock(m_lock);
    return m_slabs.size() * m_blocksPerSlab * m_blockSize;
}

bool FixedBlockPool::AddSlabLocked()
{
    try {
        m_slabs.reserve(m_slabs.size() + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto* slab = static_cast<unsigned char*>(std::aligned_alloc(kSlabAlign, (m_blocksPerSlab * m_blockSize + kSlabAlign - 1) / kSlabAlign * kSlabAlign));
    if (!slab) return false;
    m_slabs.push_back(slab);
    // Chained from the slab's end, so that blocks are handed out in address order.
    for (std::size_t i = m_blocksPerSlab; i-- > 0;) {
        auto* block = reinterpret_cast<FreeBlock*>(slab + i * m_blockSize);
        block->next = m_free;
        m_free = block;
    }
    return true;
}

void FixedBlockPool::ReleaseSlabsLocked()
{
    for (void* slab : m_slabs) std::free(slab);
    m_slabs.clear();
    m_slabs.shrink_to_fit();
    m_free = nullptr;
}
