#include "grid/calendar_day_presenter.h"

#include <algorithm>
#include <cmath>

#include "engine/data_calendar.h"
#include "grid/calendar_list_presenter.h"
#include "grid/list_cell_text.h"

namespace {

constexpr WORD kTimeColumnWidth = 44;
constexpr int kMinutesPerDay = 1440;

std::u16string Text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(); }

// Minutes since the start of `day`, rounded to the minute.
long MinuteOf(double date, LONG day) { return std::lround((date - static_cast<double>(day)) * kMinutesPerDay); }

bool Timed(const DATACALENDAR& entry)
{
    return entry.kind == kCalendarKindAppointment && entry.oid != 0 && !entry.allDay && entry.end > entry.start;
}

}  // namespace

COLORREF CalendarBusyColour(LONG busyStatus)
{
    switch (busyStatus) {
    case 0: return RGB(0xB0, 0xB8, 0xC0);
    case 1: return RGB(0x80, 0xA8, 0xE0);
    case 3: return RGB(0x90, 0x40, 0xA0);
    default: return RGB(0x30, 0x60, 0xC0);
    }
}

std::u16string CalendarFloaterMarkup(const DATACALENDAR& entry)
{
    std::u16string out = u"<B>";
    const std::u16string subject = ListMarkupText(Text(entry.subject));
    out += (subject.empty() ? std::u16string(u"(no subject)") : subject) + u"</B>";
    const std::u16string location = ListMarkupText(Text(entry.location));
    if (!location.empty()) out += u"<BR><FONT SIZE=-2>" + location + u"</FONT>";
    return out;
}

CALENDARDAYVIEW CalendarDayView(const std::vector<const DATACALENDAR*>& list, LONG day,
                                const CALENDARDAYOPTIONS& options)
{
    const int slot = std::clamp(options.slotMinutes, 5, 240);
    std::vector<const DATACALENDAR*> timed, untimed;
    long first = std::clamp(options.firstHour, 0, 23) * 60L;
    long last = std::clamp(options.lastHour, 1, 24) * 60L;
    for (const DATACALENDAR* entry : list) {
        if (!entry || entry->oid == 0) continue;
        // Timed entries that touch the day; the others only on their own day.
        if (Timed(*entry)) {
            const long from = MinuteOf(entry->start, day), to = MinuteOf(entry->end, day);
            if (to <= 0 || from >= kMinutesPerDay) continue;
            timed.push_back(entry);
            first = std::min(first, std::max(0L, from));
            last = std::max(last, std::min<long>(kMinutesPerDay, to));
        } else if (entry->day == day) {
            untimed.push_back(entry);
        }
    }
    first -= first % slot;
    if (last % slot) last += slot - last % slot;

    CALENDARDAYVIEW view;
    view.rows = CListRows({kTimeColumnWidth, kListColumnShared});
    if (!untimed.empty()) {
        std::u16string cell;
        for (const DATACALENDAR* entry : untimed) {
            if (!cell.empty()) cell += u"<BR>";
            cell += CalendarEntryLine(*entry);
        }
        view.rows.AddItem(0, {u"<P RIGHT><FONT SIZE=-2 COLOR=#606060>all day</FONT>", cell});
        view.firstSlotRow = 1;
    }
    view.firstMinute = static_cast<int>(first);
    for (long minute = first; minute < last; minute += slot) {
        std::u16string label;
        if (minute % 60 == 0)
            label = u"<P RIGHT><FONT COLOR=#404040>" +
                    ListHourText(static_cast<double>(day) + static_cast<double>(minute) / kMinutesPerDay) + u"</FONT>";
        view.rows.AddItem(0, {label, std::u16string()});
    }

    for (const DATACALENDAR* entry : timed) {
        const long from = std::max(MinuteOf(entry->start, day), first);
        const long to = std::min(MinuteOf(entry->end, day), last);
        LISTFLOATER f;
        const long firstSlot = (from - first) / slot;
        const long lastSlot = std::max(firstSlot, (to - 1 - first) / slot);
        f.row = static_cast<WORD>(view.firstSlotRow + firstSlot);
        f.col = 1;
        f.rowSpan = static_cast<WORD>(lastSlot - firstSlot + 1);
        const long covered = f.rowSpan * static_cast<long>(slot);
        const long offset = from - (first + firstSlot * slot);
        f.startPercent = static_cast<WORD>(offset * 100 / covered);
        f.lengthPercent = static_cast<WORD>(std::max(1L, (to - from) * 100 / covered));
        f.colour = CalendarBusyColour(entry->busyStatus);
        f.id = entry->oid;
        f.markup = CalendarFloaterMarkup(*entry);
        view.floaters.push_back(std::move(f));
    }
    return view;
}
