#include "engine/data_calendar.h"

#include <cstdlib>
#include <new>

#include "platform/text/wide_string.h"

void (*DATACALENDAR::s_pfnDeleteTask)(DATATASKS* task) = nullptr;

namespace {

BSTR CopyBstr(BSTR text) { return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr; }

}  // namespace

DATACALENDAR::DATACALENDAR()
    : task(nullptr), subject(nullptr), location(nullptr), extraText(nullptr), categoryText(nullptr)
{
    SetEmpty();
}

DATACALENDAR::~DATACALENDAR() { DATACALENDAR::NullData(); }

void DATACALENDAR::NullData()
{
    if (task && s_pfnDeleteTask) s_pfnDeleteTask(task);
    task = nullptr;
    SysFreeString(subject);
    SysFreeString(location);
    std::free(extraText);
    std::free(categoryText);
    subject = location = nullptr;
    extraText = categoryText = nullptr;
    SetEmpty();
}

void DATACALENDAR::SetEmpty()
{
    oid = 0;
    meeting = 0;
    busyStatus = 0;
    duration = 0;
    day = kCalendarNoDay;
    start = end = kCalendarNoDate;
    hasLinks = hasJournal = hasNote = allDay = isPrivate = recurring = exception = reminder = 0;
    trailing = 0;
    kind = kCalendarKindAppointment;
    endsEarly = 0;
    anniversaryYear = birthdayYear = 0;
    ownsStrings = 0;
}

DATACALENDAR* DATACALENDAR::Copy() const
{
    if (task) return nullptr;
    auto* copy = new (std::nothrow) DATACALENDAR;
    if (!copy) return nullptr;
    copy->oid = oid;
    copy->meeting = meeting;
    copy->busyStatus = busyStatus;
    copy->duration = duration;
    copy->day = day;
    copy->start = start;
    copy->end = end;
    copy->subject = CopyBstr(subject);
    copy->location = CopyBstr(location);
    copy->extraText = _wcsdup(extraText);
    copy->categoryText = _wcsdup(categoryText ? categoryText : u"");
    copy->hasLinks = hasLinks;
    copy->hasJournal = hasJournal;
    copy->hasNote = hasNote;
    copy->allDay = allDay;
    copy->isPrivate = isPrivate;
    copy->recurring = recurring;
    copy->exception = exception;
    copy->reminder = reminder;
    copy->trailing = trailing;
    copy->kind = kind;
    copy->endsEarly = endsEarly;
    copy->anniversaryYear = anniversaryYear;
    copy->birthdayYear = birthdayYear;
    copy->ownsStrings = 1;
    const bool stringsCopied = (!subject || copy->subject) && (!location || copy->location) &&
                               (!extraText || copy->extraText) && copy->categoryText;
    if (!stringsCopied) {
        delete copy;
        return nullptr;
    }
    return copy;
}
