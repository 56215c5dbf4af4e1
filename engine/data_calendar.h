// DATACALENDAR: one row of a calendar list (an appointment, a task, a
// contact's birthday or anniversary, a journal entry or a date header). A
// row made by a loader or by Copy owns its strings and its task record;
// rows made by CopySharingTexts (a series' occurrences, the days a multi-day
// entry spreads over) hold one reference-counted copy of the four strings
// between them instead of four allocations each.
#pragma once

#include <cstddef>
#include <new>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/text/bstr.h"

class DATATASKS;
struct CalendarRowTexts;

// The object model's "no date" (1 January 4501) as a day number and as an
// OLE automation date; empty rows carry it.
inline constexpr LONG kCalendarNoDay = 949998;
inline constexpr double kCalendarNoDate = 949998.0;

// Row kinds.
inline constexpr DWORD kCalendarKindContactDate = 2;
inline constexpr DWORD kCalendarKindAppointment = 3;  // also a date header
inline constexpr DWORD kCalendarKindTask = 4;
inline constexpr DWORD kCalendarKindJournal = 6;

class KSTOOLS_API DATACALENDAR {
public:
    DATACALENDAR();
    DATACALENDAR(const DATACALENDAR&) = delete;
    DATACALENDAR& operator=(const DATACALENDAR&) = delete;
    virtual ~DATACALENDAR();

    // Rows come from one pool of row-sized blocks shared by every calendar
    // list (a month's occurrences are tens of thousands of rows, made and
    // dropped together); a larger derived record from the ordinary heap.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* row, std::size_t size) noexcept;

    // Frees the task record and the strings and returns the row to its empty
    // state (day and dates "no date", kind 3, everything else 0).
    virtual void NullData();
    // A new independent row with the same numbers and its own copies of the
    // strings (an empty category text when this row has none); null when the
    // row carries a task, or when memory runs out.
    DATACALENDAR* Copy() const;
    // A new row with the same numbers whose four strings are this row's,
    // held by both until the last holder frees them (a missing category
    // text becomes an empty one first, as in Copy). Shared strings must not
    // be changed or freed by hand: OwnTexts first. Null when the row carries
    // a task, or when memory runs out.
    DATACALENDAR* CopySharingTexts();
    // Gives a row that shares its strings its own copies of them; false when
    // memory runs out (the row then keeps the shared ones).
    bool OwnTexts();
    // Frees the four strings (or lets go of the shared ones) and nulls them.
    void FreeTexts();

    // How a row's task record is deleted; set by the module that defines
    // DATATASKS. Until then no row can carry one.
    static void (*s_pfnDeleteTask)(DATATASKS* task);

    DATATASKS* task;
    DWORD oid;
    DWORD meeting;
    LONG busyStatus;
    LONG duration;  // minutes
    LONG day;       // whole day number of the start; the primary sort key
    double start;   // local, OLE automation date
    double end;
    BSTR subject;
    BSTR location;
    WCHAR* extraText;     // malloc'ed, may be null
    WCHAR* categoryText;  // malloc'ed; ", "-joined names or a "~Birthday" / "~Anniversary" marker
    WORD hasLinks;
    WORD hasJournal;
    WORD hasNote;
    WORD allDay;
    WORD isPrivate;
    WORD recurring;
    WORD exception;
    WORD reminder;
    DWORD trailing;  // nonzero sorts the row after all others
    DWORD kind;
    BYTE endsEarly;
    WORD anniversaryYear;
    WORD birthdayYear;
    BYTE ownsStrings;
    CalendarRowTexts* sharedTexts;  // non-null: subject to categoryText belong to it

private:
    void SetEmpty();
    // Makes the row's own strings shared ones (refcount 1); false when memory runs out.
    bool ShareTexts();
    // Every field but the task and the four strings.
    void CopyNumbersTo(DATACALENDAR& copy) const;
};
