#include "foundation/ce_events.h"

#include "platform/kernel/sync_objects.h"

CeEventBase::CeEventBase(BOOL manualReset, LPCWSTR name, bool initialState, LPSECURITY_ATTRIBUTES sa)
    : CeWaitableHandle(CreateEventW(sa, manualReset, initialState ? TRUE : FALSE, name))
{}

CeEventBase::~CeEventBase() { Close(); }

BOOL CeEventBase::Set() { return Modify(EVENT_SET); }

BOOL CeEventBase::Pulse() { return Modify(EVENT_PULSE); }

BOOL CeEventBase::Reset() { return Modify(EVENT_RESET); }

BOOL CeEventBase::Modify(DWORD operation)
{
    HANDLE handle = GetHandle();
    if (handle == nullptr) return 0;
    return EventModify(handle, operation);
}

bool CeManualEvent::IsSet() const
{
    if (GetHandle() == nullptr) return true;
    return WaitFor(0) == WAIT_OBJECT_0;
}
