// From a locale identifier to the ICU locale behind it (internal).
#pragma once

#include <string>

#include "platform/locale/locale_id.h"

namespace platform {

// One locale known to the process. Records are made once per locale and never
// freed, so pointers to them stay valid and can be compared; `index` numbers
// them from 0 for per-locale caches.
struct ResolvedLocale {
    int index;
    LCID lcid;            // the locale number, never an alias
    std::string icuName;  // ICU's locale ID, e.g. "de_DE@collation=phonebook"
    std::string tag;      // BCP-47, e.g. "de-DE-u-co-phonebk"
};

// The locale an identifier stands for (aliases resolved, LOCALE_NOUSEROVERRIDE
// ignored); null when it names none.
const ResolvedLocale* ResolveLocale(LCID locale);

// The user's locale (never null).
const ResolvedLocale& UserLocale();

}  // namespace platform
