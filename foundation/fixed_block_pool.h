// FixedBlockPool: blocks of one size carved from large slabs, for objects a
// list makes by the tens of thousands and drops all together (calendar and
// task rows). A block costs its size and nothing more (no allocator header),
// and blocks are carved from the slabs in address order, so that rows made
// one after the other lie side by side and a walk over a list's rows reads
// few cache lines. Once no block is in use the pool starts carving again
// from its first slab (freed blocks, which a sorted list returns in no
// particular order, are forgotten); it keeps its slabs for the next list
// (reloading a list then neither asks the system for memory again nor
// faults its pages in again) unless they hold more than keepBytes.
//
// Any thread may allocate or free; a short spin lock guards the pool, held
// for a few pointer moves. Under AddressSanitizer every block is an
// ordinary allocation, so that a use after free is still caught.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

class FixedBlockPool {
public:
    // blockSize is rounded up to a multiple of alignment (a power of two, 8
    // at least, 16 at most); slabBytes is the size of each slab the pool
    // takes from the system.
    FixedBlockPool(std::size_t blockSize, std::size_t alignment, std::size_t slabBytes, std::size_t keepBytes);
    ~FixedBlockPool();
    FixedBlockPool(const FixedBlockPool&) = delete;
    FixedBlockPool& operator=(const FixedBlockPool&) = delete;

    // A block of BlockSize() bytes, aligned as asked; null when memory runs out.
    void* Allocate() noexcept;
    // Gives back a block Allocate returned (null is allowed).
    void Free(void* block) noexcept;

    std::size_t BlockSize() const { return m_blockSize; }
    // False where blocks are ordinary allocations (under AddressSanitizer):
    // no slabs are then held.
    static bool Pooling();
    // Blocks handed out and not freed; bytes of slabs held.
    std::size_t LiveBlocks() const;
    std::size_t SlabBytes() const;

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    class Guard;
    void* CarveLocked();
    void ReleaseSlabsLocked();

    const std::size_t m_alignment;
    const std::size_t m_blockSize;
    const std::size_t m_blocksPerSlab;
    const std::size_t m_keepBytes;
    mutable std::atomic<bool> m_locked{false};
    FreeBlock* m_free = nullptr;
    std::size_t m_live = 0;
    std::vector<void*> m_slabs;
    std::size_t m_carveSlab = 0;  // the slab blocks are carved from next
    std::size_t m_carveAt = 0;    // the next block of that slab
};
