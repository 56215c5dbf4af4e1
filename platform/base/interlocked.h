// Interlocked operations on 32-bit values and pointers, with the Win32 names.
//
// They use the compiler's __atomic builtins with sequentially consistent order,
// so ThreadSanitizer sees them as atomic accesses. Increment and decrement
// return the NEW value (reference counts rely on it); the others return the
// value the target held before.
#pragma once

#include "platform/base/types.h"

inline LONG InterlockedIncrement(LONG volatile* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }

inline LONG InterlockedDecrement(LONG volatile* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }

inline LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

// Stores exchange when *target equals comparand; returns the previous value.
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;  // on failure the builtin wrote the current value here
}

inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value)
{
    return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedOr(LONG volatile* target, LONG value)
{
    return __atomic_fetch_or(target, value, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedAnd(LONG volatile* target, LONG value)
{
    return __atomic_fetch_and(target, value, __ATOMIC_SEQ_CST);
}

inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

inline PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}
