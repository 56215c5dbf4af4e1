// Local memory blocks: malloc blocks with a header that records the size asked
// for (LocalSize must return exactly that) and a tag that tells local blocks
// from others.
#include "platform/base/local_memory.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint64_t kLocalTag = 0x4C4F43414C4D454DULL;  // "LOCALMEM"
constexpr std::uint64_t kFreedTag = 0x46524545444C4F43ULL;  // "FREEDLOC"

// 16 bytes keep the caller's bytes aligned as malloc's are.
struct alignas(16) LocalHeader {
    std::uint64_t tag;
    std::uint64_t size;
};

LocalHeader* HeaderOf(HLOCAL mem) { return static_cast<LocalHeader*>(mem) - 1; }

}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    if (bytes > SIZE_MAX - sizeof(LocalHeader)) return nullptr;
    void* raw = (flags & LMEM_ZEROINIT) ? std::calloc(1, sizeof(LocalHeader) + bytes)
                                        : std::malloc(sizeof(LocalHeader) + bytes);
    if (!raw) return nullptr;
    auto* header = static_cast<LocalHeader*>(raw);
    header->tag = kLocalTag;
    header->size = bytes;
    return header + 1;
}

HLOCAL LocalFree(HLOCAL mem)
{
    if (!mem) return nullptr;
    LocalHeader* header = HeaderOf(mem);
    if (header->tag != kLocalTag) return mem;  // not a live local block
    header->tag = kFreedTag;
    std::free(header);
    return nullptr;
}

SIZE_T LocalSize(HLOCAL mem)
{
    if (!mem) return 0;
    LocalHeader* header = HeaderOf(mem);
    return header->tag == kLocalTag ? static_cast<SIZE_T>(header->size) : 0;
}

HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags)
{
    if (!mem || bytes > SIZE_MAX - sizeof(LocalHeader)) return nullptr;
    LocalHeader* header = HeaderOf(mem);
    if (header->tag != kLocalTag) return nullptr;
    SIZE_T old = static_cast<SIZE_T>(header->size);
    // In place: shrinking, or growing within what malloc already gave us.
    if (bytes <= old || malloc_usable_size(header) >= sizeof(LocalHeader) + bytes) {
        if (bytes > old && (flags & LMEM_ZEROINIT)) std::memset(static_cast<char*>(mem) + old, 0, bytes - old);
        header->size = bytes;
        return mem;
    }
    if (!(flags & LMEM_MOVEABLE)) return nullptr;
    auto* moved = static_cast<LocalHeader*>(std::realloc(header, sizeof(LocalHeader) + bytes));
    if (!moved) return nullptr;
    moved->size = bytes;
    if (flags & LMEM_ZEROINIT) std::memset(reinterpret_cast<char*>(moved + 1) + old, 0, bytes - old);
    return moved + 1;
}

size_t _msize(void* block) { return block ? malloc_usable_size(block) : 0; }
