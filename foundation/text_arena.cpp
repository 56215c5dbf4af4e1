#include "foundation/text_arena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

TextArena::TextArena(std::size_t blockChars) : m_blockChars(std::max<std::size_t>(blockChars, 64)) {}

WCHAR* TextArena::NewBlock(std::size_t chars)
{
    if (chars > SIZE_MAX / sizeof(WCHAR)) return nullptr;
    auto* block = static_cast<WCHAR*>(std::malloc(chars * sizeof(WCHAR)));
    if (!block) return nullptr;
    try {
        m_blocks.emplace_back(block);
    } catch (...) {
        std::free(block);
        return nullptr;
    }
    m_heldChars += chars;
    return block;
}

WCHAR* TextArena::Copy(const WCHAR* text, std::size_t count)
{
    if (count >= SIZE_MAX / sizeof(WCHAR)) return nullptr;
    const std::size_t need = count + 1;
    WCHAR* at = nullptr;
    if (need <= m_left) {
        at = m_next;
        m_next += need;
        m_left -= need;
    } else if (need > m_blockChars / 4) {
        // A long text would waste the rest of a shared block.
        at = NewBlock(need);
    } else {
        WCHAR* block = NewBlock(m_blockChars);
        if (!block) return nullptr;
        at = block;
        m_next = block + need;
        m_left = m_blockChars - need;
    }
    if (!at) return nullptr;
    if (count) std::memcpy(at, text, count * sizeof(WCHAR));
    at[count] = 0;
    m_usedChars += need;
    return at;
}

void TextArena::Clear()
{
    m_blocks.clear();
    m_next = nullptr;
    m_left = 0;
    m_heldChars = 0;
    m_usedChars = 0;
}
