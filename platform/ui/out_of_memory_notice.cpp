#include "platform/ui/out_of_memory_notice.h"

#include "platform/modules/string_resources.h"
#include "platform/ui/ui_host.h"

void SHShowOutOfMemory(HWND owner, UINT /*flags*/)
{
    const WCHAR* text = nullptr;
    // cchMax 0 hands out a pointer to the table's own terminated text.
    if (LoadStringW(nullptr, IDS_OUT_OF_MEMORY_NOTICE, reinterpret_cast<LPWSTR>(&text), 0) <= 0 || !text)
        text = u"Out of memory.";
    MessageBoxW(owner, text, nullptr, MB_OK | MB_ICONERROR);
}
