// ComRef: owns one reference to an object-model interface and releases it
// when it goes, on Reset, or before Put fills it again.
//
// The destructor only calls Release, which neither waits nor sends, so a
// ComRef may go out of scope while a kill unwinds its thread.
#pragma once

#include <cstddef>

namespace platform {

template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : ptr_(other.Detach()) {}
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other) {
            T* taken = other.Detach();
            Reset();
            ptr_ = taken;
        }
        return *this;
    }

    // Takes a reference of its own to an object the caller keeps (AddRef);
    // empty for null.
    static ComRef Share(T* object)
    {
        ComRef ref;
        ref.ptr_ = object;
        if (object) object->AddRef();
        return ref;
    }
    // Takes over a reference the caller holds already (no AddRef).
    static ComRef Adopt(T* owned)
    {
        ComRef ref;
        ref.ptr_ = owned;
        return ref;
    }
    // This interface of another object, with a reference of its own; empty
    // when from is null or has no such interface.
    template <class From>
    static ComRef Query(From* from)
    {
        ComRef ref;
        if (from) from->QueryInterface(T::kIid, reinterpret_cast<void**>(ref.Put()));
        return ref;
    }

    // The address to receive a new reference into (the old one is released).
    T** Put()
    {
        Reset();
        return &ptr_;
    }
    // The address of the reference for a call that may release it and leave
    // another one (or null) in its place; nothing is released first.
    T** InOut() { return &ptr_; }
    void Reset()
    {
        T* old = ptr_;
        ptr_ = nullptr;
        if (old) old->Release();
    }
    // Hands the reference over to the caller, who releases it.
    T* Detach()
    {
        T* owned = ptr_;
        ptr_ = nullptr;
        return owned;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
};

}  // namespace platform
