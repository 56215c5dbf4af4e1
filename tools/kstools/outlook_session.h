// OutlookSession: the object model for one command: COM started, the shared
// COutlook logged on, and both undone when the command ends.
#pragma once

#include "storage/c_outlook.h"

namespace kstools {

class OutlookSession {
public:
    // Throws CommandError (exit 1) when the store cannot be opened.
    OutlookSession();
    ~OutlookSession();
    OutlookSession(const OutlookSession&) = delete;
    OutlookSession& operator=(const OutlookSession&) = delete;

    COutlook& Outlook() { return COutlook::GetOutlookObject(); }
};

}  // namespace kstools
