// SearchHit: a DATAGENERAL that the search makes in its hit arena. The hit
// and its texts live in the arena and go all at once when the arena is
// released; deleting a hit (as the list does) only ends it.
#pragma once

#include <memory_resource>
#include <string_view>

#include "engine/data_general.h"

class SearchHit : public DATAGENERAL {
public:
    SearchHit() = default;
    // The texts belong to the arena: the base frees none of them.
    ~SearchHit() override;

    static void* operator new(size_t size, std::pmr::memory_resource& arena);
    static void operator delete(void*, std::pmr::memory_resource&) noexcept {}
    // The memory goes with the arena.
    static void operator delete(void*) noexcept {}

    // A zero-terminated copy of text in arena (empty text too).
    static WCHAR* Text(std::pmr::memory_resource& arena, std::u16string_view text);
};
