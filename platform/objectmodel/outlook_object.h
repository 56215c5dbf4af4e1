// The reference-counting base of the object model's COM objects.
//
// class Task final : public OutlookObject<ITask> { ... };
//
// gives Task AddRef, Release (deleting the object at zero) and a
// QueryInterface that answers IID_IUnknown and IID_IDispatch (with the first
// interface) and each listed interface's kIid. Objects start with a count of
// 1, owned by whoever created them: create with `new`, hand the pointer out
// (the creator's reference passes to the caller) or Release it.
#pragma once

#include <atomic>

#include "platform/objectmodel/pocket_outlook.h"

template <class First, class... Rest>
class OutlookObject : public First, public Rest... {
public:
    OutlookObject() = default;
    OutlookObject(const OutlookObject&) = delete;
    OutlookObject& operator=(const OutlookObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, First::kIid)) {
            *object = static_cast<First*>(this);
        } else if constexpr (sizeof...(Rest) > 0) {
            (void)((IsEqualIID(iid, Rest::kIid) ? (*object = static_cast<Rest*>(this), true) : false) || ...);
        }
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return ++references_; }

    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~OutlookObject() = default;

private:
    std::atomic<ULONG> references_{1};
};

// Hands a new reference of `object` out through `out` (E_POINTER for null).
template <class Interface>
HRESULT OutlookHandOut(Interface* object, Interface** out)
{
    if (!out) return E_POINTER;
    if (object) object->AddRef();
    *out = object;
    return object ? S_OK : E_FAIL;
}
