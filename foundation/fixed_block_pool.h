// FixedBlockPool: blocks of one size carved from large slabs, for objects a
// list makes by the tens of thousands and drops all together (calendar and
// task rows). A block costs its size and nothing more (no allocator header),
// neighbours made one after the other lie side by side, which keeps a walk
// over a list's rows in few cache lines, and the slabs are kept for the next
// list, so reloading a list neither asks the system for memory again nor
// faults its pages in again. Once no block is in use the slabs beyond
// keepBytes are given back.
//
// Any thread may allocate or free (one lock, held for a pointer swap).
// Under AddressSanitizer every block is an ordinary allocation, so that a
// use after free is still caught.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

class FixedBlockPool {
public:
    // blockSize is rounded up to a multiple of alignment (a power of two, 8
    // at least); slabBytes is the size of each slab the pool takes from the
    // system.
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
    bool AddSlabLocked();
    void ReleaseSlabsLocked();

    const std::size_t m_alignment;
    const std::size_t m_blockSize;
    const std::size_t m_blocksPerSlab;
    const std::size_t m_keepBytes;
    mutable std::mutex m_lock;
    FreeBlock* m_free = nullptr;
    std::size_t m_live = 0;
    std::vector<void*> m_slabs;
};
