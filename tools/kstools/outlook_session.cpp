#include "tools/kstools/outlook_session.h"

#include "platform/pocket_outlook.h"
#include "tools/kstools/cli_context.h"

namespace kstools {

OutlookSession::OutlookSession()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (!Outlook().Open()) {
        CoUninitialize();
        throw CommandError("cannot open the personal-information store");
    }
}

OutlookSession::~OutlookSession()
{
    Outlook().Close();
    CoUninitialize();
}

}  // namespace kstools
