// OwnedBstr: one BSTR that frees itself (SysFreeString) when it goes, on
// Reset, or before Put fills it again; for passing texts to the object model
// and taking texts from it.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/export.h"
#include "platform/text/bstr.h"

namespace platform {

class KSTOOLS_API OwnedBstr {
public:
    OwnedBstr() = default;
    // A new BSTR holding text; an empty text gives the empty, non-null BSTR.
    explicit OwnedBstr(std::u16string_view text) : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {}
    ~OwnedBstr() { SysFreeString(bstr_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    OwnedBstr(OwnedBstr&& other) noexcept : bstr_(other.Detach()) {}
    OwnedBstr& operator=(OwnedBstr&& other) noexcept
    {
        if (this != &other) {
            BSTR taken = other.Detach();
            SysFreeString(bstr_);
            bstr_ = taken;
        }
        return *this;
    }

    // Takes over a BSTR the caller owns.
    static OwnedBstr Adopt(BSTR owned)
    {
        OwnedBstr text;
        text.bstr_ = owned;
        return text;
    }

    // Setters take the BSTR itself; getters fill Put().
    operator BSTR() const { return bstr_; }
    BSTR Get() const { return bstr_; }
    BSTR* Put()
    {
        Reset();
        return &bstr_;
    }
    void Reset()
    {
        SysFreeString(bstr_);
        bstr_ = nullptr;
    }
    // Hands the string over to the caller, who frees it.
    BSTR Detach()
    {
        BSTR owned = bstr_;
        bstr_ = nullptr;
        return owned;
    }
    // The characters; empty for a null BSTR.
    std::u16string Text() const { return bstr_ ? std::u16string(bstr_, SysStringLen(bstr_)) : std::u16string(); }

private:
    BSTR bstr_ = nullptr;
};

}  // namespace platform
