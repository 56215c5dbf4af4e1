// LocalBlock: owns one local memory block (LocalAlloc) and frees it with
// LocalFree when it goes or on Reset.
//
// As the read buffer of CeReadRecordProps(Ex) with CEDB_ALLOWREALLOC, pass
// InOut(): the engine may grow the block or put a new one in its place, and
// the owner then holds whatever the engine left there. (Reads that allocate
// from a private heap give HeapAlloc blocks, which this does not own.)
#pragma once

#include "platform/base/local_memory.h"
#include "platform/base/types.h"

namespace platform {

class LocalBlock {
public:
    LocalBlock() = default;
    // Takes over a block from LocalAlloc (or null).
    explicit LocalBlock(HLOCAL block) : block_(static_cast<BYTE*>(block)) {}
    ~LocalBlock() { LocalFree(block_); }
    LocalBlock(const LocalBlock&) = delete;
    LocalBlock& operator=(const LocalBlock&) = delete;
    LocalBlock(LocalBlock&& other) noexcept : block_(static_cast<BYTE*>(other.Detach())) {}
    LocalBlock& operator=(LocalBlock&& other) noexcept
    {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    BYTE* Get() const { return block_; }
    // The block read as an array of T (record buffers: CEPROPVAL).
    template <class T>
    T* As() const
    {
        return reinterpret_cast<T*>(block_);
    }
    // The block's address for a callee that reads it, may resize or replace
    // it, and leaves its result there; the old block is not freed first.
    LPBYTE* InOut() { return &block_; }
    // Frees the block and takes over `block` (null: empty).
    void Reset(HLOCAL block = nullptr)
    {
        BYTE* old = block_;
        block_ = static_cast<BYTE*>(block);
        if (old) LocalFree(old);
    }
    // Hands the block over to the caller, who frees it.
    HLOCAL Detach()
    {
        BYTE* owned = block_;
        block_ = nullptr;
        return owned;
    }
    explicit operator bool() const { return block_ != nullptr; }

private:
    BYTE* block_ = nullptr;
};

}  // namespace platform
