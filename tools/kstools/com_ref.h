// ComRef: owns one reference to an object-model interface and releases it.
#pragma once

#include "platform/objectmodel/pocket_outlook.h"

namespace kstools {

template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
        }
        return *this;
    }

    // The address to receive a new reference into (the old one is released).
    T** Put()
    {
        Reset();
        return &m_ptr;
    }
    void Reset()
    {
        if (m_ptr) m_ptr->Release();
        m_ptr = nullptr;
    }
    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    // This interface of another object; empty when it has none.
    template <class From>
    static ComRef Query(From* from)
    {
        ComRef ref;
        if (from) from->QueryInterface(T::kIid, reinterpret_cast<void**>(ref.Put()));
        return ref;
    }

private:
    T* m_ptr = nullptr;
};

}  // namespace kstools
