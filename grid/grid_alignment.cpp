#include "grid/grid_alignment.h"

#include <atomic>

namespace {

std::atomic<DWORD> g_left{0};
std::atomic<DWORD> g_right{2};

bool Store(std::atomic<DWORD>& slot, DWORD value)
{
    if (value != 0 && value != 2) return false;
    slot.store(value, std::memory_order_relaxed);
    return true;
}

}  // namespace

DWORD GetLeftDefine() { return g_left.load(std::memory_order_relaxed); }
DWORD GetRightDefine() { return g_right.load(std::memory_order_relaxed); }
bool SetGridLeftAlignment(DWORD value) { return Store(g_left, value); }
bool SetGridRightAlignment(DWORD value) { return Store(g_right, value); }
