// FixedBlockPool: blocks that never overlap across slabs, their alignment,
// what the pool keeps once every block is back, and blocks freed on another
// thread than the one that took them.
#include "foundation/fixed_block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

struct PoolCase {
    std::size_t blockSize;
    std::size_t alignment;
    std::size_t expectedBlockSize;
    std::size_t expectedAlignment;
};

// Each block filled with its own number must read back intact after all are
// filled, whatever slab it came from.
TEST(FixedBlockPool, BlocksAreDistinctAlignedAndSized)
{
    const PoolCase cases[] = {
        {136, 8, 136, 8},
        {136, 16, 144, 16},
        {3, 8, 8, 8},        // room for the free-list link
        {40, 12, 48, 16},    // alignment rounded up to a power of two
        {200, 64, 208, 16},  // alignment beyond the slabs' own is cut to theirs
    };
    for (const PoolCase& c : cases) {
        SCOPED_TRACE(c.blockSize);
        FixedBlockPool pool(c.blockSize, c.alignment, 4096, 0);
        EXPECT_EQ(pool.BlockSize(), c.expectedBlockSize);
        std::vector<unsigned char*> blocks;
        for (int i = 0; i < 300; ++i) {  // several slabs
            auto* block = static_cast<unsigned char*>(pool.Allocate());
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % c.expectedAlignment, 0u);
            std::memset(block, i & 0xFF, pool.BlockSize());
            blocks.push_back(block);
        }
        EXPECT_EQ(pool.LiveBlocks(), 300u);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            for (std::size_t b = 0; b < pool.BlockSize(); ++b) ASSERT_EQ(blocks[i][b], i & 0xFF) << "block " << i;
        }
        for (unsigned char* block : blocks) pool.Free(block);
        EXPECT_EQ(pool.LiveBlocks(), 0u);
    }
}

TEST(FixedBlockPool, KeepsSlabsUpToItsLimitOnceEveryBlockIsBack)
{
    if (!FixedBlockPool::Pooling()) GTEST_SKIP() << "blocks are ordinary allocations in this build";
    struct KeepCase {
        std::size_t keepBytes;
        bool kept;
    };
    for (const KeepCase c : {KeepCase{0, false}, KeepCase{1 << 20, true}}) {
        SCOPED_TRACE(c.keepBytes);
        FixedBlockPool pool(64, 16, 4096, c.keepBytes);
        std::vector<void*> blocks;
        for (int i = 0; i < 200; ++i) blocks.push_back(pool.Allocate());
        const std::size_t held = pool.SlabBytes();
        EXPECT_GE(held, 200u * 64);
        pool.Free(blocks.back());
        blocks.pop_back();
        EXPECT_EQ(pool.SlabBytes(), held) << "a block in use keeps every slab";
        for (void* block : blocks) pool.Free(block);
        EXPECT_EQ(pool.SlabBytes(), c.kept ? held : 0u);
        // The pool serves again either way, from kept slabs without growing.
        std::vector<void*> again;
        for (int i = 0; i < 200; ++i) again.push_back(pool.Allocate());
        EXPECT_EQ(pool.SlabBytes(), held);
        EXPECT_EQ(std::set<void*>(again.begin(), again.end()).size(), again.size());
        for (void* block : again) pool.Free(block);
    }
}

TEST(FixedBlockPool, BlocksFreedOnAnotherThreadAreServedAgain)
{
    if (!FixedBlockPool::Pooling()) GTEST_SKIP() << "blocks are ordinary allocations in this build";
    FixedBlockPool pool(32, 16, 4096, 1 << 20);
    std::vector<void*> blocks(1000);
    std::thread maker([&] {
        for (void*& block : blocks) block = pool.Allocate();
    });
    maker.join();
    const std::size_t held = pool.SlabBytes();
    std::thread freer([&] {
        for (void* block : blocks) pool.Free(block);
    });
    freer.join();
    EXPECT_EQ(pool.LiveBlocks(), 0u);
    for (void*& block : blocks) block = pool.Allocate();
    EXPECT_EQ(pool.SlabBytes(), held);
    for (void* block : blocks) pool.Free(block);
}

TEST(FixedBlockPool, ThreadsTakingAndGivingAtOnceNeverShareABlock)
{
    if (!FixedBlockPool::Pooling()) GTEST_SKIP() << "blocks are ordinary allocations in this build";
    FixedBlockPool pool(32, 16, 4096, 0);
    std::vector<std::vector<void*>> taken(4, std::vector<void*>(3000));
    std::vector<std::thread> threads;
    for (auto& mine : taken)
        threads.emplace_back([&pool, &mine] {
            for (int round = 0; round < 2; ++round) {
                for (void*& block : mine) block = pool.Allocate();
                if (round == 0)
                    for (void* block : mine) pool.Free(block);
            }
        });
    for (std::thread& t : threads) t.join();
    std::set<void*> distinct;
    for (const auto& mine : taken) distinct.insert(mine.begin(), mine.end());
    EXPECT_EQ(distinct.size(), 4u * 3000u);
    EXPECT_EQ(pool.LiveBlocks(), 4u * 3000u);
    for (const auto& mine : taken)
        for (void* block : mine) pool.Free(block);
    EXPECT_EQ(pool.LiveBlocks(), 0u);
}

}  // namespace
