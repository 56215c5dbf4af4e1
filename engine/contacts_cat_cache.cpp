#include "engine/contacts_cat_cache.h"

#include <cstring>

#include "platform/base/local_memory.h"

void CCatCache::Clear()
{
    if (blob) LocalFree(blob);
    blob = nullptr;
    blobSize = 0;
    for (BSTR* field : {&givenName, &surname, &groupValue, &company, &fileAs}) {
        SysFreeString(*field);
        *field = nullptr;
    }
}

bool CCatCache::SetBlob(const CEBLOB* source)
{
    if (blob) LocalFree(blob);
    blob = nullptr;
    blobSize = 0;
    if (!source || source->dwCount == 0 || !source->lpb) return true;
    blob = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, source->dwCount));
    if (!blob) return false;
    std::memcpy(blob, source->lpb, source->dwCount);
    blobSize = source->dwCount;
    return true;
}

bool CCatCache::SetText(BSTR& field, std::u16string_view text)
{
    SysFreeString(field);
    field = nullptr;
    if (text.empty()) return true;
    field = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return field != nullptr;
}
