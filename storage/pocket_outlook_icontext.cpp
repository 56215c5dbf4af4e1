#include "storage/pocket_outlook_icontext.h"

#include "platform/base/local_memory.h"
#include "platform/ui/clipboard_formats.h"

UINT CPocketOutlookIContext::ItemRefArrayFormat()
{
    static const UINT format = RegisterClipboardFormatW(u"ItemRefArray");
    return format;
}

HLOCAL CPocketOutlookIContext::GetData(UINT format) const
{
    if (format != ItemRefArrayFormat() || m_oid == 0) return nullptr;
    auto* refs = static_cast<ItemRefArray*>(LocalAlloc(LPTR, sizeof(ItemRefArray)));
    if (refs == nullptr) return nullptr;
    refs->cRefs = 1;
    refs->rgRefs[0] = {static_cast<DWORD>(m_dataType), m_oid};
    return refs;
}

void CPocketOutlookIContext::AddAddIn(IPimMenuAddIn* addIn)
{
    if (addIn != nullptr) m_addIns.push_back(addIn);
}

UINT CPocketOutlookIContext::QueryMenu(HMENU menu, UINT firstId, UINT lastId)
{
    m_ranges.clear();
    UINT next = firstId;
    for (IPimMenuAddIn* addIn : m_addIns) {
        if (next > lastId) break;
        const UINT room = lastId - next;  // one less than the ids left
        // An add-in that claims more ids than it was offered gets only those.
        const UINT claimed = addIn->AddMenuItems(menu, next, lastId);
        const UINT used = claimed > room ? room + 1 : claimed;
        if (used > 0) m_ranges.push_back({addIn, next, used});
        if (used > room) return lastId + 1;
        next += used;
    }
    return next;
}

HRESULT CPocketOutlookIContext::InvokeCommand(UINT id) const
{
    for (const Range& range : m_ranges) {
        if (id >= range.first && id - range.first < range.count)
            return range.addIn->InvokeCommand(id - range.first, *this);
    }
    return S_FALSE;
}
