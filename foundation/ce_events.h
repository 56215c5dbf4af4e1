// CeManualEvent and CeAutoEvent: owners of one platform event each, manual
// reset and automatic reset. Set, Pulse and Reset go through EventModify;
// the destructor closes the handle.
#pragma once

#include "foundation/ce_waitable_handle.h"
#include "platform/base/export.h"
#include "platform/base/security_attributes.h"
#include "platform/base/types.h"

// What the two event kinds share: creation and the three state changes.
class KSTOOLS_API CeEventBase : public CeWaitableHandle {
public:
    CeEventBase(const CeEventBase&) = delete;
    CeEventBase& operator=(const CeEventBase&) = default;  // copies the handle value

    // The EventModify result; 0 when there is no handle.
    BOOL Set();
    BOOL Pulse();  // releases the current waiters and leaves the event unsignalled
    BOOL Reset();

protected:
    CeEventBase(BOOL manualReset, LPCWSTR name, bool initialState, LPSECURITY_ATTRIBUTES sa);
    ~CeEventBase();

private:
    BOOL Modify(DWORD operation);
};

class KSTOOLS_API CeManualEvent : public CeEventBase {
public:
    CeManualEvent() : CeManualEvent(false) {}
    explicit CeManualEvent(bool initialState) : CeEventBase(TRUE, nullptr, initialState, nullptr) {}
    CeManualEvent(LPCWSTR name, bool initialState, LPSECURITY_ATTRIBUTES sa) : CeEventBase(TRUE, name, initialState, sa)
    {}

    // True when the event is signalled, and also when there is no handle: a
    // missing stop event reads as "stop".
    bool IsSet() const;
};

class KSTOOLS_API CeAutoEvent : public CeEventBase {
public:
    CeAutoEvent() : CeAutoEvent(false) {}
    explicit CeAutoEvent(bool initialState) : CeEventBase(FALSE, nullptr, initialState, nullptr) {}
    CeAutoEvent(LPCWSTR name, bool initialState, LPSECURITY_ATTRIBUTES sa) : CeEventBase(FALSE, name, initialState, sa)
    {}
};
