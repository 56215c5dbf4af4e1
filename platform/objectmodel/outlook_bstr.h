// Text crossing the object model's interfaces as BSTRs: getters hand out a
// new BSTR, setters take a BSTR that may be null (the empty text).
#pragma once

#include <string>
#include <string_view>

#include "platform/text/bstr.h"
#include "platform/base/types.h"

inline HRESULT OutlookBstrOut(std::u16string_view text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

inline std::u16string OutlookBstrText(BSTR text)
{
    return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}
