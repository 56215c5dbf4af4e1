// The CeString members that read and write window text.
#include "foundation/ce_string.h"

#include "platform/text/wide_string.h"
#include "platform/messaging/window.h"

CeString::CeString(HWND window) : m_pchData(CeStringRep::s_lpszCeEmpty) { GetWindowTextW(window); }

int CeString::GetWindowTextW(HWND window)
{
    if (!IsWindow(window)) {
        Release();
        return 0;
    }
    int len = GetWindowTextLengthW(window);
    if (len <= 0) {
        Release();
        return 0;
    }
    CeStringRep* rep = CeStringRep::AllocBuf(len);
    if (!rep) return 0;
    int read = ::GetWindowTextW(window, rep->GetString(), len + 1);
    if (read < 0) read = 0;
    if (read > len) read = len;
    rep->GetString()[read] = 0;
    Attach(rep);
    // The text may have changed between the two calls; fit the block to it.
    ReleaseBuffer();
    return Length();
}

void CeString::SetWindowTextW(HWND window) const
{
    if (IsWindow(window)) ::SetWindowTextW(window, m_pchData);
}
