// OwnedBstr: a BSTR that frees itself, for passing texts to the object model
// and taking texts from it.
#pragma once

#include <string>
#include <string_view>

#include "platform/text/bstr.h"
#include "platform/objectmodel/outlook_bstr.h"

namespace kstools {

class OwnedBstr {
public:
    OwnedBstr() = default;
    explicit OwnedBstr(std::u16string_view text) { OutlookBstrOut(text, &m_bstr); }
    ~OwnedBstr() { SysFreeString(m_bstr); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;

    // Setters take the BSTR itself; getters fill Put().
    operator BSTR() const { return m_bstr; }
    BSTR* Put()
    {
        SysFreeString(m_bstr);
        m_bstr = nullptr;
        return &m_bstr;
    }
    std::u16string Text() const { return OutlookBstrText(m_bstr); }

private:
    BSTR m_bstr = nullptr;
};

}  // namespace kstools
