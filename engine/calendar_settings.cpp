#include "engine/calendar_settings.h"

#include <initializer_list>

#include "platform/files/registry.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

namespace {

bool ReadInt(CRegistry& key, const WCHAR* name, int& out)
{
    int value = 0;
    if (key.QueryValue(name, &value) != 0) return false;
    out = value;
    return true;
}

// True when any of the names holds a nonzero number.
bool AnyFlag(CRegistry& key, std::initializer_list<const WCHAR*> names)
{
    for (const WCHAR* name : names) {
        int value = 0;
        if (ReadInt(key, name, value) && value != 0) return true;
    }
    return false;
}

void ReadFlag(CRegistry& key, const WCHAR* name, bool& out)
{
    int value = 0;
    if (ReadInt(key, name, value)) out = value != 0;
}

void ReadText(CRegistry& key, const WCHAR* name, WCHAR (&out)[kCalendarNameChars])
{
    WCHAR buffer[kCalendarNameChars] = {};
    if (key.QueryValue(name, buffer, kCalendarNameChars - 1) != 0) return;
    wcsncpy(out, buffer, kCalendarNameChars - 1);
    out[kCalendarNameChars - 1] = 0;
}

}  // namespace

void CalendarSettings::Read(const WCHAR* key)
{
    *this = CalendarSettings{};
    CRegistry settings;
    if (key && settings.Exists(HKEY_CURRENT_USER, key) == 1) {
        showJournal = AnyFlag(
            settings, {u"WV_ShowJournal", u"AV_ShowJournal", u"MV_ShowJournal", u"DV_ShowJournal", u"PV_ShowJournal"});
        showTasks =
            AnyFlag(settings, {u"WV_ShowTasks", u"AV_ShowTasks", u"DV_ShowTasks", u"MV_ShowTasks", u"PV_ShowTasks"});
        ReadFlag(settings, u"CA_ShowCompletedTasks", showCompletedTasks);
        ReadFlag(settings, u"CAV_ShowUndatedTasks", showUndatedTasks);
        ReadFlag(settings, u"CAV_ForceHighTasks", forceHighTasks);
        ReadFlag(settings, u"CAV_ShowTaskOnTop", showTaskOnTop);
        ReadFlag(settings, u"ReadBirthdays", readBirthdays);
        ReadInt(settings, u"CAV_FilterAppointments", view);
        ReadInt(settings, u"CAV_StatusFilter", statusFilter);
        ReadInt(settings, u"CAV_FilterPrivacy", filterPrivacy);
        ReadFlag(settings, u"DisplayCompletedAppointments", displayCompletedAppointments);
        ReadText(settings, u"AnnCatName", annCatName);
        ReadText(settings, u"BDayCatName", bdayCatName);
        ReadText(settings, u"HolidayCatName", holidayCatName);
        ReadText(settings, u"HolidaySubName", holidaySubName);
        ReadInt(settings, u"bShowInProgressTasksToday", showInProgressTasksToday);
        ReadInt(settings, u"AppointmentSingleIfEndsEarly", singleIfEndsEarly);
        ReadFlag(settings, u"AdvancedAllDayTimeZone", advancedAllDayTimeZone);
    }
    if (view < kCalendarViewBirthdays || view > kCalendarViewSingleDay) view = kCalendarViewAll;
    _wcslwr(annCatName);
    _wcslwr(bdayCatName);
    // The two names must differ, or every birthday would also be an
    // anniversary: each falls back to its own default when it reads as the
    // other's default.
    if (wcscmp(annCatName, u"birthdays") == 0) wcscpy(annCatName, u"anniversaries");
    if (wcscmp(bdayCatName, u"anniversaries") == 0) wcscpy(bdayCatName, u"birthdays");

    CRegistry today;
    if (today.Exists(HKEY_CURRENT_USER, kCalendarTodayKey) == 1) ReadText(today, u"FloatCat", floatCat);
}

LONG CalendarSettings::StatusOfFilter(int filter)
{
    switch (filter) {
        case kCalendarStatusBusy:
            return 2;
        case kCalendarStatusFree:
            return 0;
        case kCalendarStatusOutOfOffice:
            return 3;
        case kCalendarStatusTentative:
            return 1;
        default:
            return -1;
    }
}
