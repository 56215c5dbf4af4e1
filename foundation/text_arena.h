// TextArena: terminated UTF-16 copies laid end to end in large blocks, for
// texts made together and dropped together (the subjects of a loaded list).
// A copy costs its characters and terminator and nothing more: no allocator
// header or rounding per text. The copies live until Clear or the arena's
// end; one that will not fit in what is left of the current block starts a
// new one, and a text too long to share a block gets one of its own.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

class KSTOOLS_API TextArena {
public:
    explicit TextArena(std::size_t blockChars = 16 * 1024);
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    // A copy of the count units at text followed by a terminator; null when
    // memory runs out.
    WCHAR* Copy(const WCHAR* text, std::size_t count);
    // Frees every copy.
    void Clear();
    // The characters the arena holds room for, in all its blocks.
    std::size_t CapacityChars() const { return m_heldChars; }
    // The characters given out, terminators included, since the last Clear.
    std::size_t UsedChars() const { return m_usedChars; }
    // The characters of a shared block.
    std::size_t BlockChars() const { return m_blockChars; }

private:
    struct FreeBlock {
        void operator()(WCHAR* block) const { std::free(block); }
    };
    using Block = std::unique_ptr<WCHAR[], FreeBlock>;

    WCHAR* NewBlock(std::size_t chars);

    std::size_t m_blockChars;
    std::vector<Block> m_blocks;
    WCHAR* m_next = nullptr;  // free room in the current block
    std::size_t m_left = 0;
    std::size_t m_heldChars = 0;
    std::size_t m_usedChars = 0;
};
