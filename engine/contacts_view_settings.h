// The options of the contact list, as "Software\Corvid\Kestrel\CV" holds
// them, and the display formats the list knows.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

// Display formats ("DisplayFormat").
inline constexpr int kContactsGivenFirst = 0;    // "Given Surname", sorted by given name
inline constexpr int kContactsSurnameFirst = 1;  // "Surname, Given", sorted by surname
inline constexpr int kContactsByCompany = 2;     // group view: companies
inline constexpr int kContactsFileAs = 3;        // the file-as name, in file-as order
inline constexpr int kContactsCompanyView = 4;   // stored only: becomes 0, 1 or 3 on reading
inline constexpr int kContactsByCategory = 6;    // group view: categories
inline constexpr int kContactsByDepartment = 7;  // group view: department
inline constexpr int kContactsByCity = 8;        // group view: business, home or other city
inline constexpr int kContactsByState = 9;       // group view: business, home or other state
inline constexpr int kContactsByCountry = 10;    // group view: business, home or other country
inline constexpr int kContactsRecent = 11;       // the recently opened contacts
inline constexpr int kContactsCallLog = 12;      // the call log
inline constexpr int kContactsNoFormat = -1;     // no load has run yet

inline constexpr const WCHAR* kContactsSettingsKey = u"Software\\Corvid\\Kestrel\\CV";

// True for the formats that show expandable headers (2, 6, 7 to 10).
KSTOOLS_API bool IsContactsGroupFormat(int format);
// True for the formats that list names from the cache (0, 1, 3).
inline bool IsContactsNameFormat(int format)
{
    return format == kContactsGivenFirst || format == kContactsSurnameFirst || format == kContactsFileAs;
}
// True for every format a list can be shown in after reading (4 is not one).
KSTOOLS_API bool IsContactsDisplayFormat(int format);

struct KSTOOLS_API ContactsViewSettings {
    bool showNamesOnly = false;
    int displayFormat = kContactsFileAs;
    bool showHasNoteIcons = false;
    // The name format inside group views: 0 given name first, 2 file-as,
    // any other value surname first.
    int groupNameFormat = 1;
    bool openOnCompare = true;
    bool searchCompanySubNodes = true;

    // Reads every value from key (under the current user); a value that
    // cannot be read keeps its default, a format the list does not know
    // gives the file-as list. Format 4 becomes the name list the group name
    // format names, with names only off and company nodes on.
    void Read(const WCHAR* key);
    // The name format a row is shown in under displayFormat: the display
    // format itself in the name lists, the group name format's list in
    // group views.
    int RowNameFormat() const;
};
