#include "engine/data_calendar.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "foundation/fixed_block_pool.h"
#include "platform/text/wide_string.h"

void (*DATACALENDAR::s_pfnDeleteTask)(DATATASKS* task) = nullptr;

namespace {

BSTR CopyBstr(BSTR text) { return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr; }

// Slabs of 256 KiB; up to 16 MiB (about 90,000 rows) kept between lists.
constexpr std::size_t kRowSlabBytes = 256 * 1024;
constexpr std::size_t kRowKeepBytes = 16 * 1024 * 1024;

// Never destroyed: rows of lists freed at exit still come back to it.
FixedBlockPool& RowPool()
{
    static FixedBlockPool* pool = new FixedBlockPool(sizeof(DATACALENDAR), alignof(DATACALENDAR), kRowSlabBytes, kRowKeepBytes);
    return *pool;
}

void* AllocateRow(std::size_t size) noexcept
{
    static_assert(alignof(DATACALENDAR) <= 16, "the row pool aligns blocks to at most 16 bytes");
    return size == sizeof(DATACALENDAR) ? RowPool().Allocate() : ::operator new(size, std::nothrow);
}

}  // namespace

// The strings several rows show. Rows are freed on whichever thread holds
// the list last, so the count is atomic.
struct CalendarRowTexts {
    std::atomic<unsigned> refs{1};
    BSTR subject = nullptr;
    BSTR location = nullptr;
    WCHAR* extraText = nullptr;
    WCHAR* categoryText = nullptr;

    void Release()
    {
        if (refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
        SysFreeString(subject);
        SysFreeString(location);
        std::free(extraText);
        std::free(categoryText);
        delete this;
    }
};

void* DATACALENDAR::operator new(std::size_t size)
{
    void* row = AllocateRow(size);
    if (!row) throw std::bad_alloc();
    return row;
}

void* DATACALENDAR::operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateRow(size); }

void DATACALENDAR::operator delete(void* row, std::size_t size) noexcept
{
    if (size == sizeof(DATACALENDAR))
        RowPool().Free(row);
    else
        ::operator delete(row);
}

DATACALENDAR::DATACALENDAR()
    : task(nullptr), subject(nullptr), location(nullptr), extraText(nullptr), categoryText(nullptr),
      sharedTexts(nullptr)
{
    SetEmpty();
}

DATACALENDAR::~DATACALENDAR() { DATACALENDAR::NullData(); }

void DATACALENDAR::NullData()
{
    if (task && s_pfnDeleteTask) s_pfnDeleteTask(task);
    task = nullptr;
    FreeTexts();
    SetEmpty();
}

void DATACALENDAR::FreeTexts()
{
    if (sharedTexts) {
        sharedTexts->Release();
        sharedTexts = nullptr;
    } else {
        SysFreeString(subject);
        SysFreeString(location);
        std::free(extraText);
        std::free(categoryText);
    }
    subject = location = nullptr;
    extraText = categoryText = nullptr;
}

bool DATACALENDAR::ShareTexts()
{
    if (sharedTexts) return true;
    if (!categoryText) {
        categoryText = _wcsdup(u"");
        if (!categoryText) return false;
    }
    auto* texts = new (std::nothrow) CalendarRowTexts;
    if (!texts) return false;
    texts->subject = subject;
    texts->location = location;
    texts->extraText = extraText;
    texts->categoryText = categoryText;
    sharedTexts = texts;
    return true;
}

bool DATACALENDAR::OwnTexts()
{
    if (!sharedTexts) return true;
    BSTR ownSubject = CopyBstr(subject);
    BSTR ownLocation = CopyBstr(location);
    WCHAR* ownExtra = _wcsdup(extraText);
    WCHAR* ownCategories = _wcsdup(categoryText);
    if ((subject && !ownSubject) || (location && !ownLocation) || (extraText && !ownExtra) ||
        (categoryText && !ownCategories)) {
        SysFreeString(ownSubject);
        SysFreeString(ownLocation);
        std::free(ownExtra);
        std::free(ownCategories);
        return false;
    }
    sharedTexts->Release();
    sharedTexts = nullptr;
    subject = ownSubject;
    location = ownLocation;
    extraText = ownExtra;
    categoryText = ownCategories;
    return true;
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

DATACALENDAR* DATACALENDAR::CopySharingTexts()
{
    if (task || !ShareTexts()) return nullptr;
    auto* copy = new (std::nothrow) DATACALENDAR;
    if (!copy) return nullptr;
    CopyNumbersTo(*copy);
    copy->subject = subject;
    copy->location = location;
    copy->extraText = extraText;
    copy->categoryText = categoryText;
    sharedTexts->refs.fetch_add(1, std::memory_order_relaxed);
    copy->sharedTexts = sharedTexts;
    return copy;
}

DATACALENDAR* DATACALENDAR::Copy() const
{
    if (task) return nullptr;
    auto* copy = new (std::nothrow) DATACALENDAR;
    if (!copy) return nullptr;
    CopyNumbersTo(*copy);
    copy->subject = CopyBstr(subject);
    copy->location = CopyBstr(location);
    copy->extraText = _wcsdup(extraText);
    copy->categoryText = _wcsdup(categoryText ? categoryText : u"");
    const bool stringsCopied = (!subject || copy->subject) && (!location || copy->location) &&
                               (!extraText || copy->extraText) && copy->categoryText;
    if (!stringsCopied) {
        delete copy;
        return nullptr;
    }
    return copy;
}

void DATACALENDAR::CopyNumbersTo(DATACALENDAR& copy) const
{
    copy.oid = oid;
    copy.meeting = meeting;
    copy.busyStatus = busyStatus;
    copy.duration = duration;
    copy.day = day;
    copy.start = start;
    copy.end = end;
    copy.hasLinks = hasLinks;
    copy.hasJournal = hasJournal;
    copy.hasNote = hasNote;
    copy.allDay = allDay;
    copy.isPrivate = isPrivate;
    copy.recurring = recurring;
    copy.exception = exception;
    copy.reminder = reminder;
    copy.trailing = trailing;
    copy.kind = kind;
    copy.endsEarly = endsEarly;
    copy.anniversaryYear = anniversaryYear;
    copy.birthdayYear = birthdayYear;
    copy.ownsStrings = 1;
}
