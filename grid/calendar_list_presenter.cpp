#include "grid/calendar_list_presenter.h"

#include <map>

#include "engine/data_calendar.h"
#include "grid/list_cell_text.h"
#include "platform/locale/date_format.h"
#include "platform/text/wide_string.h"
#include "platform/time/variant_time.h"

namespace {

constexpr WORD kWeekDayColumnWidth = 64;

std::u16string Text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(); }

bool HasMarker(const WCHAR* categories, const WCHAR* marker) { return categories && wcsstr(categories, marker); }

std::u16string Subject(const DATACALENDAR& entry)
{
    const std::u16string subject = ListMarkupText(Text(entry.subject));
    return subject.empty() ? std::u16string(u"(no subject)") : subject;
}

// What kind of entry it is, when not an appointment.
std::u16string KindNote(const DATACALENDAR& entry)
{
    if (entry.kind == kCalendarKindTask) return u"task";
    if (entry.kind == kCalendarKindJournal) return u"journal";
    if (entry.birthdayYear || HasMarker(entry.categoryText, u"~Birthday")) return u"birthday";
    if (entry.anniversaryYear || HasMarker(entry.categoryText, u"~Anniversary")) return u"anniversary";
    return {};
}

bool Untimed(const DATACALENDAR& entry) { return entry.allDay || entry.kind != kCalendarKindAppointment; }

// The entries (not the loader's day headers) by day, in list order.
std::map<LONG, std::vector<const DATACALENDAR*>> ByDay(const std::vector<const DATACALENDAR*>& list)
{
    std::map<LONG, std::vector<const DATACALENDAR*>> out;
    for (const DATACALENDAR* entry : list) {
        if (entry && entry->oid != 0) out[entry->day].push_back(entry);
    }
    return out;
}

}  // namespace

std::u16string CalendarEntryLine(const DATACALENDAR& entry)
{
    std::u16string out;
    if (!Untimed(entry)) out += u"<FONT COLOR=#505050>" + ListTimeText(entry.start) + u"</FONT> ";
    out += Subject(entry);
    const std::u16string kind = KindNote(entry);
    if (!kind.empty()) out += u" <FONT SIZE=-2 COLOR=#707070>(" + kind + u")</FONT>";
    return out;
}

std::u16string CalendarAgendaMarkup(const DATACALENDAR& entry)
{
    std::u16string times = u"all day";
    if (!Untimed(entry)) times = ListTimeText(entry.start) + u"\u2013" + ListTimeText(entry.end);
    else if (entry.kind != kCalendarKindAppointment) times = KindNote(entry);
    std::u16string out = u"<SPAN><FONT COLOR=#505050>" + times + u"</FONT></SPAN><B>" + Subject(entry) + u"</B>";
    std::vector<std::u16string> notes{ListMarkupText(Text(entry.location))};
    if (entry.categoryText && entry.categoryText[0] != u'~') notes.push_back(ListCategoryText(entry.categoryText));
    if (entry.recurring) notes.emplace_back(entry.exception ? u"changed occurrence" : u"recurring");
    if (entry.reminder) notes.emplace_back(u"reminder");
    if (entry.isPrivate) notes.emplace_back(u"private");
    if (entry.meeting) notes.emplace_back(u"meeting");
    const std::u16string line = ListNotesLine(notes);
    if (!line.empty()) out += u"<BR>" + line;
    return out;
}

std::u16string CalendarDayTitle(LONG day)
{
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(static_cast<double>(day), &st)) return {};
    WCHAR text[80];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, u"ddd d MMM", text, 80) <= 0) return ListDateText(day);
    return text;
}

CListRows CalendarWeekRows(const std::vector<const DATACALENDAR*>& list, LONG firstDay)
{
    CListRows rows({kWeekDayColumnWidth, kListColumnShared});
    auto days = ByDay(list);
    for (LONG day = firstDay; day < firstDay + 7; ++day) {
        std::u16string entries;
        for (const DATACALENDAR* entry : days[day]) {
            if (!entries.empty()) entries += u"<BR>";
            entries += CalendarEntryLine(*entry);
        }
        rows.AddItem(0, {u"<B>" + CalendarDayTitle(day) + u"</B>", entries + u"<EDGE>"});
    }
    return rows;
}

CListRows CalendarAgendaRows(const std::vector<const DATACALENDAR*>& list, LONG firstDay, LONG lastDay)
{
    CListRows rows({kListColumnShared});
    for (const auto& [day, entries] : ByDay(list)) {
        if (day < firstDay || day > lastDay) continue;
        rows.AddHeader(CalendarDayTitle(day), static_cast<int>(entries.size()), true);
        for (const DATACALENDAR* entry : entries) rows.AddItem(entry->oid, {CalendarAgendaMarkup(*entry)});
    }
    return rows;
}
