// The two views of the contact list that come from lists of their own: the
// recently opened contacts and the device's call log.
#include <string>
#include <vector>

#include "engine/contacts_thread.h"
#include "engine/recent_contacts.h"
#include "foundation/markup_literal.h"
#include "platform/locale/date_format.h"
#include "platform/objectstore/call_log.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"

namespace {

std::u16string Digits(unsigned long value, int width = 1)
{
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<WCHAR>(u'0' + value % 10));
        value /= 10;
    } while (value > 0 || static_cast<int>(text.size()) < width);
    return text;
}

// The call's start in the device's short date and time, then its length.
std::u16string WhenText(const platform::CallLogEntry& call)
{
    FILETIME local{};
    SYSTEMTIME at{};
    if (!FileTimeToLocalFileTime(&call.start, &local) || !FileTimeToSystemTime(&local, &at)) return u"";
    WCHAR date[64] = {}, time[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &at, nullptr, date, 64);
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &at, nullptr, time, 64);
    std::u16string text = std::u16string(date) + u" " + time;
    if (!call.missed) text += u" " + Digits(call.durationSeconds / 60) + u":" + Digits(call.durationSeconds % 60, 2);
    return text;
}

// "<IMG SRC=call_in><B>Ann Lee</B><BR><I>+1 555 0101 12/7/2026 9:05 AM 3:20</I>", a missed call marked with a red
// "!" first. A call without name shows its number (or "Unknown") in bold. The name and number come from outside
// (the caller's network, the user's contacts) and are shown as they are, never read as mark-up.
std::u16string CallMarkup(const platform::CallLogEntry& call)
{
    std::u16string text;
    if (call.missed) text += u"<FONT COLOR=#FF0000><B>!</B></FONT> ";
    text += call.direction == platform::kCallOutgoing ? u"<IMG SRC=call_out>" : u"<IMG SRC=call_in>";
    const std::u16string& title = !call.name.empty() ? call.name : call.number;
    text += u"<B>" + (title.empty() ? std::u16string(u"Unknown") : MarkupLiteral(title)) + u"</B><BR><I>";
    if (!call.name.empty() && !call.number.empty()) text += MarkupLiteral(call.number) + u" ";
    return text + WhenText(call) + u"</I>";
}

}  // namespace

DWORD CContactsThread::ThreadProc_RecentList(CeManualEvent* stop)
{
    ClearData();
    CRecentContacts recent;
    recent.Load();
    bool shown = false;
    for (CEOID oid : recent.Oids()) {
        if (Stopping(stop)) return 0;
        // Contacts deleted since they were opened are passed over.
        const int at = FindCatCacheItem(oid);
        if (at < 0) continue;
        SetCurrentEntry(m_cache[static_cast<size_t>(at)].get());
        AddContactItem(&shown, -1, 0, false, false);
    }
    m_totalRecords = static_cast<long>(m_list.size());
    m_lastRowRead = m_totalRecords;
    Report(LOADER_DATA_COMPLETE, m_totalRecords, true);
    return 1;
}

DWORD CContactsThread::ThreadProc_CallLogList(CeManualEvent* stop)
{
    ClearData();
    std::vector<platform::CallLogEntry> calls;
    platform::ReadCallLog(calls);
    void* heap = GetPrivateHeap();
    for (const platform::CallLogEntry& call : calls) {
        if (Stopping(stop)) return 0;
        auto* row = new (heap) DATACONTACTS;
        if (!row) break;
        row->oid = call.contact;
        row->displayName = DATACONTACTS::HeapText(heap, CallMarkup(call));
        row->secondLine = DATACONTACTS::HeapText(heap, call.number);
        row->callStart = call.start;
        row->callOutgoing = call.direction == platform::kCallOutgoing ? 1 : 0;
        row->callMissed = call.missed ? 1 : 0;
        row->filled = 1;
        m_list.push_back(row);
    }
    m_totalRecords = static_cast<long>(m_list.size());
    m_lastRowRead = m_totalRecords;
    Report(LOADER_DATA_COMPLETE, m_totalRecords, true);
    return 1;
}
