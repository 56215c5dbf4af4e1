#include "engine/data_contacts.h"

#include <cstring>

#include "platform/base/private_heap.h"

void* DATACONTACTS::operator new(size_t size, void* heap) noexcept
{
    return heap ? HeapAlloc(heap, HEAP_ZERO_MEMORY, size) : nullptr;
}

WCHAR* DATACONTACTS::HeapText(void* heap, std::u16string_view text)
{
    if (text.empty() || !heap) return nullptr;
    auto* copy = static_cast<WCHAR*>(HeapAlloc(heap, 0, (text.size() + 1) * sizeof(WCHAR)));
    if (!copy) return nullptr;
    std::memcpy(copy, text.data(), text.size() * sizeof(WCHAR));
    copy[text.size()] = 0;
    return copy;
}
