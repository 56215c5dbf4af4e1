#include "platform/base/error_codes.h"
#include "platform/kernel/internal/named_objects.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/internal/waitable_object.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"

namespace platform {
namespace {

class EventObject : public WaitableObject {
public:
    EventObject(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}

    bool TryAcquireLocked(ThreadRecord&, bool*) override
    {
        if (!signalled_) return false;
        if (!manualReset_) signalled_ = false;
        return true;
    }

    void SetLocked()
    {
        signalled_ = true;
        OfferLocked();
    }
    void ResetLocked() { signalled_ = false; }
    // Signalled only while offered to the present waiters.
    void PulseLocked()
    {
        signalled_ = true;
        OfferLocked();
        signalled_ = false;
    }

private:
    const bool manualReset_;
    bool signalled_;
};

}  // namespace
}  // namespace platform

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    return platform::CreateOrOpenNamed<platform::EventObject>(
        name, [&] { return std::make_shared<platform::EventObject>(manualReset, initialState); },
        [](platform::EventObject&) { return false; });
}

BOOL EventModify(HANDLE event, DWORD func)
{
    if (platform::CurrentThread().killed) return FALSE;
    auto object = platform::LookupHandleAs<platform::EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(platform::KernelLock());
    switch (func) {
        case EVENT_SET:
            object->SetLocked();
            return TRUE;
        case EVENT_RESET:
            object->ResetLocked();
            return TRUE;
        case EVENT_PULSE:
            object->PulseLocked();
            return TRUE;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
    }
}

BOOL SetEvent(HANDLE event) { return EventModify(event, EVENT_SET); }
BOOL ResetEvent(HANDLE event) { return EventModify(event, EVENT_RESET); }
BOOL PulseEvent(HANDLE event) { return EventModify(event, EVENT_PULSE); }
