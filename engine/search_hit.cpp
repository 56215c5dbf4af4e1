#include "engine/search_hit.h"

#include <cstring>

SearchHit::~SearchHit() { displayText = groupText = categoryText = secondaryText = furtherText = nullptr; }

void* SearchHit::operator new(size_t size, std::pmr::memory_resource& arena)
{
    return arena.allocate(size, alignof(SearchHit));
}

WCHAR* SearchHit::Text(std::pmr::memory_resource& arena, std::u16string_view text)
{
    auto* copy = static_cast<WCHAR*>(arena.allocate((text.size() + 1) * sizeof(WCHAR), alignof(WCHAR)));
    if (!text.empty()) std::memcpy(copy, text.data(), text.size() * sizeof(WCHAR));
    copy[text.size()] = 0;
    return copy;
}
