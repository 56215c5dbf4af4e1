#include "items/pass_key.h"

#include "platform/messaging/window.h"
#include "platform/modules/libraries.h"
#include "storage/c_registry.h"

bool CPassKey::CheckPass()
{
    int required = 0;
    {
        CRegistry settings;
        if (settings.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel") == 1)
            settings.QueryValue(u"RequirePassword", &required);
    }
    if (!required) return true;
    HMODULE library = LoadLibraryW(u"cplmain.cpl");
    if (!library) return true;
    bool passed = true;
    if (FARPROC proc = GetProcAddressW(library, u"PromptForPasswd"))
        passed = reinterpret_cast<PromptForPasswdFunction>(proc)(GetForegroundWindow(), nullptr, TRUE) != 0;
    FreeLibrary(library);
    return passed;
}
