// Private heaps (HeapCreate / HeapAlloc / HeapDestroy).
//
// A private heap is an arena of large chunks: allocation is a pointer bump
// (freed blocks of small sizes are reused), and HeapDestroy releases every
// block at once. Loaders place whole result sets in one heap and drop them with
// one destroy. Each heap has its own lock unless it was created, or a call is
// made, with HEAP_NO_SERIALIZE.
//
// GetProcessHeap() returns the process heap, which hands out ordinary malloc
// blocks (with a size header); it cannot be destroyed.
#pragma once

#include "platform/base/types.h"

constexpr DWORD HEAP_NO_SERIALIZE = 0x00000001;
constexpr DWORD HEAP_GROWABLE = 0x00000002;
constexpr DWORD HEAP_GENERATE_EXCEPTIONS = 0x00000004;
constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;
constexpr DWORD HEAP_REALLOC_IN_PLACE_ONLY = 0x00000010;

// maxSize 0 makes a growable heap; otherwise the heap never holds more than
// maxSize bytes of blocks (allocations beyond that fail with null).
// initialSize is the size of the first chunk (rounded up). Null on failure.
HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maxSize);
// Frees every block of the heap. FALSE for null, the process heap, or a
// handle that is not a live heap.
BOOL HeapDestroy(HANDLE heap);
// Blocks are 16-byte aligned. HEAP_ZERO_MEMORY zero-fills. Null when the heap
// is full, the handle is invalid, or memory runs out.
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
// Resizes a block keeping its bytes (HEAP_ZERO_MEMORY zeroes the added ones).
// With HEAP_REALLOC_IN_PLACE_ONLY the block never moves: null when it cannot
// grow where it is. Null (block unchanged) on failure.
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID mem, SIZE_T bytes);
// Releases one block for reuse by later allocations of the heap. Null is
// allowed (TRUE). FALSE for a block already freed.
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID mem);
// The size asked for; (SIZE_T)-1 on failure.
SIZE_T HeapSize(HANDLE heap, DWORD flags, LPCVOID mem);
HANDLE GetProcessHeap();
