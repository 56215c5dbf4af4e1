// CTempString: a zero-filled scratch buffer of WCHARs for the length of a scope.
#pragma once

#include "platform/base/types.h"

class CTempString {
public:
    // chars writable characters, zero-filled, plus a final 0 unit so the
    // buffer always reads as a terminated string. Null when memory runs out.
    explicit CTempString(int chars);
    ~CTempString();
    CTempString(const CTempString&) = delete;
    CTempString& operator=(const CTempString&) = delete;

    operator WCHAR*() const { return m_psz; }
    WCHAR* Get() const { return m_psz; }
    int Size() const { return m_nSize; }

private:
    WCHAR* m_psz;
    int m_nSize;
};
