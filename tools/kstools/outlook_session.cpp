#include "tools/kstools/outlook_session.h"

#include <string>

#include "platform/files/data_directory.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "tools/kstools/cli_context.h"
#include "tools/kstools/store_volume.h"

namespace kstools {
namespace {

// Why the store would not open, in words; taken straight after the failed
// logon, whose last error names the cause.
std::string WhyNotOpened()
{
    const DWORD code = GetLastError();
    if (code == ERROR_BAD_FORMAT) return "its database file is damaged or is no object store";
    if (code == ERROR_SUCCESS) return "the object model refused the logon";
    return LastErrorText();
}

}  // namespace

OutlookSession::OutlookSession()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    SetLastError(ERROR_SUCCESS);
    if (!Outlook().Open()) {
        const std::string why = WhyNotOpened();
        CoUninitialize();
        throw CommandError("cannot open the personal-information store in " + platform::DataDirectory() + ": " + why);
    }
}

OutlookSession::~OutlookSession()
{
    Outlook().Close();
    CoUninitialize();
}

}  // namespace kstools
