// Private heaps, local blocks, _msize, BSTRs, and their owning wrappers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/base/local_block.h"
#include "platform/base/local_memory.h"
#include "platform/base/private_heap.h"
#include "platform/text/bstr.h"
#include "platform/text/owned_bstr.h"

namespace {

bool AllZero(const void* p, size_t n)
{
    const auto* b = static_cast<const unsigned char*>(p);
    return std::all_of(b, b + n, [](unsigned char c) { return c == 0; });
}

// One allocation family behind the same operations.
struct Allocator {
    const char* name;
    std::function<void*(size_t, bool zero)> alloc;
    std::function<void*(void*, size_t, bool zero, bool mayMove)> realloc;
    std::function<size_t(void*)> size;
    std::function<void(void*)> free;
};

Allocator HeapAllocator(const char* name, HANDLE heap)
{
    return {name, [=](size_t n, bool zero) { return HeapAlloc(heap, zero ? HEAP_ZERO_MEMORY : 0, n); },
            [=](void* p, size_t n, bool zero, bool mayMove) {
                return HeapReAlloc(heap, (zero ? HEAP_ZERO_MEMORY : 0) | (mayMove ? 0 : HEAP_REALLOC_IN_PLACE_ONLY), p,
                                   n);
            },
            [=](void* p) { return HeapSize(heap, 0, p); }, [=](void* p) { HeapFree(heap, 0, p); }};
}

Allocator LocalAllocator()
{
    return {"local", [](size_t n, bool zero) { return LocalAlloc(zero ? LPTR : LMEM_FIXED, n); },
            [](void* p, size_t n, bool zero, bool mayMove) {
                return LocalReAlloc(p, n, (zero ? LMEM_ZEROINIT : 0) | (mayMove ? LMEM_MOVEABLE : 0));
            },
            [](void* p) { return LocalSize(p); }, [](void* p) { LocalFree(p); }};
}

}  // namespace

TEST(Memory, ExactSizesZeroingAndGrowthForEveryAllocator)
{
    HANDLE heap = HeapCreate(0, 0x10000, 0);
    for (const Allocator& a :
         {HeapAllocator("private heap", heap), HeapAllocator("process heap", GetProcessHeap()), LocalAllocator()}) {
        SCOPED_TRACE(a.name);
        for (size_t n : {0, 1, 15, 16, 17, 1025, 20000, 300000}) {
            void* p = a.alloc(n, false);
            ASSERT_NE(p, nullptr) << n;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << n;
            EXPECT_EQ(a.size(p), n);
            std::memset(p, 0x5A, n);  // the whole size is usable
            a.free(p);
        }
        for (int round = 0; round < 10; ++round) {  // dirty blocks first, so the zeros cannot come from fresh pages
            void* dirty = a.alloc(200, false);
            std::memset(dirty, 0xAA, 200);
            a.free(dirty);
            void* clean = a.alloc(200, true);
            EXPECT_TRUE(AllZero(clean, 200));
            a.free(clean);
        }
        auto* p = static_cast<char*>(a.alloc(10, false));
        std::memcpy(p, "0123456789", 10);
        EXPECT_EQ(a.realloc(p, 1 << 24, false, false), nullptr);  // cannot grow in place
        EXPECT_EQ(a.size(p), 10u);
        auto* q = static_cast<char*>(a.realloc(p, 5000, true, true));
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(std::memcmp(q, "0123456789", 10), 0);
        EXPECT_TRUE(AllZero(q + 10, 4990));
        EXPECT_EQ(a.size(q), 5000u);
        EXPECT_EQ(a.realloc(q, 3, false, false), q);  // shrinking stays in place
        EXPECT_EQ(a.size(q), 3u);
        EXPECT_EQ(std::memcmp(q, "012", 3), 0);
        a.free(q);
    }
    HeapDestroy(heap);
    EXPECT_EQ(LocalSize(nullptr), 0u);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    EXPECT_EQ(LocalReAlloc(nullptr, 10, LMEM_MOVEABLE), nullptr);
    for (size_t n : {1, 7, 24, 100, 4097}) {
        void* p = std::malloc(n);
        size_t usable = _msize(p);
        EXPECT_GE(usable, n);
        std::memset(p, 1, usable);  // all of it is the caller's
        std::free(p);
    }
    EXPECT_EQ(_msize(nullptr), 0u);
}

// Blocks that overlap show in the threads' contents checks (concurrency_test).
TEST(PrivateHeap, FreedBlocksReusedNewestGrowsInPlaceLargeBlocksAndDestroy)
{
    HANDLE heap = HeapCreate(0, 0x10000, 0);  // a fresh heap, so the layout below is known
    void* dirty = HeapAlloc(heap, 0, 100);
    auto* neighbour = static_cast<char*>(HeapAlloc(heap, 0, 32));
    HeapAlloc(heap, 0, 64);
    std::memset(dirty, 0xAB, 100);
    ASSERT_TRUE(HeapFree(heap, 0, dirty));
    EXPECT_FALSE(HeapFree(heap, 0, dirty));
    EXPECT_EQ(HeapSize(heap, 0, dirty), static_cast<SIZE_T>(-1));
    EXPECT_EQ(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100), dirty);  // small freed blocks are handed out again
    EXPECT_TRUE(AllZero(dirty, 100));
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, neighbour, 500), nullptr);  // blocked by the next one
    auto* last = static_cast<char*>(HeapAlloc(heap, 0, 2000));  // the newest block grows into its chunk
    EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, last, 6000), last);
    EXPECT_EQ(HeapSize(heap, 0, last), 6000u);
    EXPECT_TRUE(HeapDestroy(heap));
    heap = HeapCreate(0, 0x10000, 0);
    for (int round = 0; round < 2; ++round) {  // large blocks get their own space and can be freed
        auto* big = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 8 * 1024 * 1024));
        ASSERT_NE(big, nullptr);
        EXPECT_TRUE(AllZero(big, 8 * 1024 * 1024));
        big[8 * 1024 * 1024 - 1] = 1;
        EXPECT_TRUE(HeapFree(heap, 0, big));
    }
    // Rows are never freed one by one: destroy releases them all (LeakSanitizer checks).
    for (int i = 0; i < 50000; ++i) ASSERT_NE(HeapAlloc(heap, 0, 48), nullptr);
    EXPECT_TRUE(HeapDestroy(heap));
    EXPECT_FALSE(HeapDestroy(nullptr));
    EXPECT_FALSE(HeapDestroy(GetProcessHeap()));
    EXPECT_EQ(HeapAlloc(nullptr, 0, 10), nullptr);
    // The destroyed heap's handle is refused, not read (AddressSanitizer checks).
    EXPECT_FALSE(HeapDestroy(heap));
    EXPECT_EQ(HeapAlloc(heap, 0, 10), nullptr);
    int local = 0;
    EXPECT_EQ(HeapSize(heap, 0, &local), static_cast<SIZE_T>(-1));
}

#if defined(__SANITIZE_ADDRESS__)
TEST(PrivateHeapDeathTest, OverrunAndUseAfterFreeAreReportedUnderAddressSanitizer)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (bool useAfterFree : {false, true}) {
        EXPECT_DEATH(
            {
                HANDLE heap = HeapCreate(0, 0, 0);
                auto* p = static_cast<volatile char*>(HeapAlloc(heap, 0, 32));
                HeapAlloc(heap, 0, 32);
                if (useAfterFree) HeapFree(heap, 0, const_cast<char*>(p));
                p[useAfterFree ? 0 : 32] = 1;
            },
            "AddressSanitizer");
    }
}
#endif

TEST(Bstr, LengthPrefixTerminatorEmbeddedZerosAndReallocation)
{
    using platform::OwnedBstr;
    const struct {
        OwnedBstr b;
        std::u16string text;
        bool contentGiven = true;
    } cases[] = {
        {OwnedBstr::Adopt(SysAllocString(u"abc")), u"abc"},
        {OwnedBstr::Adopt(SysAllocStringLen(u"abcdef", 3)), u"abc"},
        {OwnedBstr::Adopt(SysAllocStringLen(u"a\0b", 3)), std::u16string(u"a\0b", 3)},
        {OwnedBstr::Adopt(SysAllocStringLen(nullptr, 0)), u""},  // not null
        {OwnedBstr::Adopt(SysAllocStringLen(nullptr, 4)), u"????", false},
    };
    for (const auto& c : cases) {
        const BSTR b = c.b.Get();
        ASSERT_NE(b, nullptr);
        std::uint32_t prefix;
        std::memcpy(&prefix, reinterpret_cast<const char*>(b) - 4, 4);
        EXPECT_EQ(prefix, 2 * c.text.size());
        EXPECT_EQ(SysStringLen(b), c.text.size());
        EXPECT_EQ(SysStringByteLen(b), 2 * c.text.size());
        if (c.contentGiven) {
            EXPECT_EQ(std::u16string(b, SysStringLen(b)), c.text);
        }
        EXPECT_EQ(b[c.text.size()], 0);
    }
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    // Reallocation may take its text from the old string.
    BSTR b = SysAllocString(u"hello world");
    EXPECT_TRUE(SysReAllocString(&b, b + 6));
    EXPECT_EQ(std::u16string(b), u"world");
    EXPECT_EQ(SysStringLen(b), 5u);
    EXPECT_TRUE(SysReAllocStringLen(&b, b + 1, 2));
    EXPECT_EQ(std::u16string(b), u"or");
    EXPECT_TRUE(SysReAllocString(&b, nullptr));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 0u);
    SysFreeString(b);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

// Double or missing frees show under AddressSanitizer; here the live block is handed on.
TEST(OwningWrappers, LocalBlocksAndBstrsAreFreedOnceAndHandedOnWhole)
{
    using platform::LocalBlock;
    using platform::OwnedBstr;
    LocalBlock block(LocalAlloc(LMEM_FIXED, 8));
    LPBYTE* slot = block.InOut();  // a callee that moves the block leaves the new one with the owner
    *slot = static_cast<LPBYTE>(LocalReAlloc(*slot, 1 << 20, LMEM_MOVEABLE));
    EXPECT_EQ(LocalSize(block.Get()), 1u << 20);
    LocalBlock moved(std::move(block));
    EXPECT_EQ(block.Get(), nullptr);
    LocalBlock other(LocalAlloc(LPTR, 4));
    other = std::move(moved);  // frees the 4 bytes
    HLOCAL taken = other.Detach();
    EXPECT_FALSE(other);
    EXPECT_EQ(LocalSize(taken), 1u << 20);
    EXPECT_EQ(LocalFree(taken), nullptr) << "Detach did not free it";

    OwnedBstr text(u"old");
    BSTR* put = text.Put();
    EXPECT_EQ(*put, nullptr);
    *put = SysAllocStringLen(u"a\0b", 3);
    OwnedBstr movedText(std::move(text));
    EXPECT_EQ(text.Get(), nullptr);
    const OwnedBstr again = OwnedBstr::Adopt(movedText.Detach());
    EXPECT_EQ(movedText.Get(), nullptr);
    EXPECT_EQ(again.Text(), std::u16string(u"a\0b", 3)) << "the zero is kept";
    EXPECT_NE(OwnedBstr(u"").Get(), nullptr) << "the empty text is not null";
}
