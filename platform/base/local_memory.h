// Local memory blocks (LocalAlloc and friends) and _msize for malloc blocks.
//
// A local block carries a small header in front of the caller's bytes that
// records the size asked for, so LocalSize returns exactly that size (list
// copies and record buffers copy LocalSize bytes). Local blocks are not
// malloc blocks: free them with LocalFree only.
#pragma once

#include "platform/base/types.h"

constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
constexpr UINT LHND = LMEM_MOVEABLE | LMEM_ZEROINIT;

// A block of `bytes` bytes (0 is allowed), zero-filled with LMEM_ZEROINIT;
// null when memory runs out. Blocks are always fixed: the handle is the pointer.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
// Frees a block; returns null on success (also for a null handle). A block
// whose header does not carry the local-block tag (one freed before, as long
// as its memory has not been reused) is returned unchanged (failure) and not
// freed. Pointers that never came from LocalAlloc must not be passed.
HLOCAL LocalFree(HLOCAL mem);
// The size asked for at allocation (or re-allocation); 0 for null.
SIZE_T LocalSize(HLOCAL mem);
// Resizes a block, keeping its bytes; with LMEM_ZEROINIT the added bytes are
// zeroed. Without LMEM_MOVEABLE a block that cannot be resized in place stays
// as it was and the result is null, as on the platform; with it the block may
// move. A null block gives null.
HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags);

// The usable size of a malloc/calloc/realloc block. This is the allocator's
// malloc_usable_size: at least the size asked for, possibly more (under
// AddressSanitizer exactly the size asked for). 0 for null.
size_t _msize(void* block);
