#include <mutex>

#include "platform/base/error_codes.h"
#include "platform/kernel/handle.h"
#include "platform/base/slot_table.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/base/last_error.h"
#include "platform/kernel/thread.h"

namespace platform {
namespace {

class HandleTable {
public:
    std::mutex mutex;
    SlotTable<KernelObject> slots{kKernelHandleTag};
};

// Never destroyed: threads still running at process exit may close handles.
HandleTable& Table()
{
    static auto* table = new HandleTable;
    return *table;
}

}  // namespace

KernelObject::~KernelObject() = default;

HANDLE AddHandle(std::shared_ptr<KernelObject> object)
{
    auto& table = Table();
    std::uint32_t value;
    {
        std::lock_guard lock(table.mutex);
        value = table.slots.Add(std::move(object));
    }
    if (!value) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    std::shared_ptr<KernelObject> object;
    if (std::uint32_t value = HandleValue(handle)) {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        object = table.slots.Lookup(value);
    }
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

size_t OpenHandleCount()
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.slots.Count();
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle)
{
    if (handle == GetCurrentThread()) return TRUE;
    if (platform::CurrentThread().killed) return FALSE;
    std::shared_ptr<platform::KernelObject> object;  // released after the table lock
    if (std::uint32_t value = platform::HandleValue(handle)) {
        auto& table = platform::Table();
        std::lock_guard lock(table.mutex);
        object = table.slots.Remove(value);
    }
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
