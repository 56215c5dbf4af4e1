#include "engine/contacts_view_settings.h"

#include "platform/files/registry.h"
#include "storage/c_registry.h"

namespace {

// The name list a group name format stands for.
int NameListOf(int groupNameFormat)
{
    if (groupNameFormat == 0) return kContactsGivenFirst;
    return groupNameFormat == 2 ? kContactsFileAs : kContactsSurnameFirst;
}

}  // namespace

bool IsContactsGroupFormat(int format)
{
    return format == kContactsByCompany || format == kContactsByCategory ||
           (format >= kContactsByDepartment && format <= kContactsByCountry);
}

bool IsContactsDisplayFormat(int format)
{
    return IsContactsNameFormat(format) || IsContactsGroupFormat(format) || format == kContactsRecent ||
           format == kContactsCallLog;
}

void ContactsViewSettings::Read(const WCHAR* key)
{
    *this = ContactsViewSettings{};
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, key) == 1) {
        auto read = [&](const WCHAR* name, int& out) {
            int value = 0;
            if (settings.QueryValue(name, &value) == 0) out = value;
        };
        auto flag = [&](const WCHAR* name, bool& out) {
            int value = out ? 1 : 0;
            read(name, value);
            out = value != 0;
        };
        flag(u"ShowNamesOnly", showNamesOnly);
        read(u"DisplayFormat", displayFormat);
        flag(u"ShowHasNoteIcons", showHasNoteIcons);
        read(u"CV_DisplayFormatCompany", groupNameFormat);
        flag(u"OpenOnCompare", openOnCompare);
        flag(u"bSearchCompanySubNodes", searchCompanySubNodes);
    }
    if (displayFormat == kContactsCompanyView) {
        displayFormat = NameListOf(groupNameFormat);
        showNamesOnly = false;
        searchCompanySubNodes = true;
    }
    if (!IsContactsDisplayFormat(displayFormat)) displayFormat = kContactsFileAs;
}

int ContactsViewSettings::RowNameFormat() const
{
    return IsContactsGroupFormat(displayFormat) ? NameListOf(groupNameFormat) : displayFormat;
}
