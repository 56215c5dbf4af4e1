#include "items/appointment_alarms.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "items/c_task_settings.h"
#include "platform/objectstore/user_notifications.h"
#include "platform/time/variant_time.h"

namespace {

constexpr std::u16string_view kArgumentPrefix = u"AppointmentAlarm ";

struct StoredAlarm {
    HANDLE handle;
    LONG minutes;
};

std::u16string Argument(long oid, LONG minutes)
{
    return std::u16string(kArgumentPrefix) + task_item::Decimal(static_cast<int>(oid)) + u" " +
           task_item::Decimal(static_cast<int>(minutes));
}

// The alarms of oid among all notifications.
std::vector<StoredAlarm> Find(long oid)
{
    std::vector<StoredAlarm> found;
    DWORD count = 0;
    CeGetUserNotificationHandles(nullptr, 0, &count);
    std::vector<HANDLE> handles(count);
    if (count == 0 || !CeGetUserNotificationHandles(handles.data(), count, &count)) return found;
    const std::u16string prefix = std::u16string(kArgumentPrefix) + task_item::Decimal(static_cast<int>(oid)) + u" ";
    for (HANDLE handle : handles) {
        UINT needed = 0;
        CeGetUserNotification(handle, 0, &needed, nullptr);
        if (needed == 0) continue;
        std::vector<std::uint64_t> buffer((needed + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
        auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
        if (!CeGetUserNotification(handle, needed, &needed, bytes)) continue;
        const auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(bytes);
        if (!header->pcent || !header->pcent->lpszArguments) continue;
        const std::u16string_view argument(header->pcent->lpszArguments);
        if (argument.substr(0, prefix.size()) != prefix) continue;
        LONG minutes = 0;
        bool digits = argument.size() > prefix.size();
        for (char16_t c : argument.substr(prefix.size())) {
            digits = digits && c >= u'0' && c <= u'9' && minutes < 1000000;
            if (digits) minutes = minutes * 10 + (c - u'0');
        }
        if (digits) found.push_back({handle, minutes});
    }
    return found;
}

}  // namespace

std::vector<LONG> AppointmentAlarms::Read(long oid)
{
    std::vector<LONG> minutes;
    for (const StoredAlarm& alarm : Find(oid)) minutes.push_back(alarm.minutes);
    std::sort(minutes.begin(), minutes.end());
    return minutes;
}

int AppointmentAlarms::Clear(long oid)
{
    int cleared = 0;
    for (const StoredAlarm& alarm : Find(oid)) cleared += CeClearUserNotification(alarm.handle) ? 1 : 0;
    return cleared;
}

bool AppointmentAlarms::Write(long oid, double start, const std::u16string& text, const std::vector<LONG>& minutes)
{
    Clear(oid);
    std::vector<LONG> leads = minutes;
    std::sort(leads.begin(), leads.end());
    leads.erase(std::unique(leads.begin(), leads.end()), leads.end());
    const double now = task_item::Now();
    bool all = true;
    for (LONG lead : leads) {
        const double at = start - lead / 1440.0;
        SYSTEMTIME time{};
        if (lead < 0 || at < now || !VariantTimeToSystemTime(at, &time)) continue;
        std::u16string application = u"CALENDAR.EXE";
        std::u16string argument = Argument(oid, lead);
        std::u16string title = u"Appointment Reminder";
        std::u16string shown = text;
        CE_NOTIFICATION_TRIGGER trigger{};
        trigger.dwSize = sizeof trigger;
        trigger.dwType = CNT_CLASSICTIME;
        trigger.lpszApplication = application.data();
        trigger.lpszArguments = argument.data();
        trigger.stStartTime = time;
        trigger.stEndTime = time;
        CE_USER_NOTIFICATION notification{};
        notification.ActionFlags = PUN_DIALOG;
        notification.pwszDialogTitle = title.data();
        notification.pwszDialogText = shown.data();
        if (!CeSetUserNotificationEx(nullptr, &trigger, &notification)) all = false;
    }
    return all;
}
