// The calendar list's row orders: by day (headers first, then contact dates,
// appointments, tasks and journal entries), by start only, and by the day of
// the year for the birthday and anniversary lists.
#include "engine/calendar_thread.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/collation_key_cache.h"
#include "engine/tasks_compare.h"
#include "platform/kernel/thread.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/time/variant_time.h"

std::atomic<LONG> CCalendarThread::s_today{0};
std::atomic<bool> CCalendarThread::s_showTaskOnTop{false};

namespace {

template <class T>
int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int LocaleCompare(const WCHAR* a, const WCHAR* b)
{
    const int r = CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1);
    return r == 0 ? 0 : r - 2;
}

// Steps every order starts with: the same row is equal, a missing row and
// rows with the trailing flag go last. True with *result when one decides.
bool Decided(DATACALENDAR* a, DATACALENDAR* b, int* result)
{
    if (a == b) {
        *result = 0;
        return true;
    }
    if (!a || !b) {
        *result = a ? -1 : 1;
        return true;
    }
    if ((a->trailing != 0) != (b->trailing != 0) || a->trailing) {
        *result = a->trailing && b->trailing ? 0 : (a->trailing ? 1 : -1);
        return true;
    }
    return false;
}

bool IsHeader(const DATACALENDAR* row) { return row->oid == 0; }

// Month * 100 + day of a day number.
int DayOfYearKey(LONG day)
{
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(static_cast<double>(day), &st)) return 0;
    return st.wMonth * 100 + st.wDay;
}

}  // namespace

int CCalendarThread::CompareFunc(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long)
{
    int result = 0;
    if (Decided(a, b, &result)) return result;
    if (a->day != b->day) return Order(a->day, b->day);
    if (IsHeader(a) != IsHeader(b)) return IsHeader(a) ? -1 : 1;
    if (IsHeader(a)) return 0;

    if (a->kind == b->kind) {
        if (a->kind == kCalendarKindTask && a->task && b->task) {
            // The task list's own order (with its tie-breaks), then the OID.
            TasksSortState& order = TasksSortState::Current();
            order.BeginPrimaryPhase();
            const int r = TasksPrimaryComparison(order.Prefs().primaryKey)(a->task, b->task, 0);
            if (r != 0) return r;
            return Order(a->oid, b->oid);
        }
        if (a->kind == kCalendarKindJournal) return Order(a->start, b->start);
        if ((a->allDay != 0) != (b->allDay != 0)) return a->allDay ? -1 : 1;
        if (a->start != b->start) return Order(a->start, b->start);
        const int r = LocaleCompare(a->subject, b->subject);
        if (r != 0) return r;
        return Order(a->oid, b->oid);
    }
    if (s_showTaskOnTop.load(std::memory_order_relaxed)) {
        if (a->kind == kCalendarKindTask && b->kind == kCalendarKindAppointment) return -1;
        if (b->kind == kCalendarKindTask && a->kind == kCalendarKindAppointment) return 1;
    }
    return Order(a->kind, b->kind);
}

// Named rather than anonymous: the loader keeps CalendarSortScratch, whose
// fields have these types, across loads.
namespace calendar_sort {

// CompareFunc's first steps packed into two numbers: the trailing flag, the
// day and the kind's rank in one, the start in the other. A month's tens of
// thousands of rows are sorted by these numbers alone; only the short runs
// of rows they leave level (one day, kind and start) are then put in order
// by CompareFunc's last steps: subject and OID, or CompareFunc itself. Rows
// the numbers leave level keep their places, as in the list's own (stable)
// sort. The keys carry what a run reads of its rows (the subject's address
// and the OID), taken while the rows are read in list order: read again in
// sorted order, a month's rows are met all over memory, a cache miss each.
// The place and the flag share one word: the keys are 32 and 24 bytes
// instead of 40 and 32, and a month's tens of thousands of them are read
// and written several times by the sort.
struct DayOrderKey {
    std::uint64_t dayRank;  // all ones for a trailing row
    std::uint64_t start;    // the start's bits, ordered as the starts; 0 for the kinds CompareFunc does not order by start
    const WCHAR* subject;   // the row's, or u"" for none
    std::uint32_t place : 31;  // the row's place before the sort
    // An appointment or contact date with a start: after the start, by
    // subject and OID, the last steps of CompareFunc for its kind.
    std::uint32_t bySubject : 1;
    DWORD oid;
};

// A key dealt into its day-and-kind group, which holds the dayRank.
struct StartOrderKey {
    std::uint64_t start;
    const WCHAR* subject;
    std::uint32_t place : 31;
    std::uint32_t bySubject : 1;
    DWORD oid;
};

// Places fit the key's 31 bits.
constexpr size_t kMostKeyedRows = 0x7FFFFFFF;

// Kinds above this are left to CompareFunc alone.
constexpr DWORD kLargestKeyedKind = 0xFFFF;

// Twice the kind, or 5 for a task shown on top: after the contact dates
// (4), before the appointments (6), as CompareFunc places it.
DWORD KindPlace(DWORD kind, bool taskOnTop)
{
    return taskOnTop && kind == kCalendarKindTask ? 2 * kCalendarKindAppointment - 1 : 2 * kind;
}

// A number's bits as an unsigned number that orders as the numbers do
// (negative ones below positive ones, both zeros alike), so that the sort
// compares integers only.
std::uint64_t OrderedBits(double value)
{
    if (value == 0) value = 0;  // -0 is +0
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return bits >> 63 ? ~bits : bits | std::uint64_t{1} << 63;
}

// False for a row the numbers cannot order as CompareFunc does: a start
// that is no number, which CompareFunc takes as equal to every start.
bool KeyOf(const DATACALENDAR* row, bool taskOnTop, std::uint32_t place, DayOrderKey& key)
{
    key.dayRank = ~std::uint64_t{0};
    key.start = 0;
    key.subject = row->subject ? row->subject : u"";
    key.place = place;
    key.bySubject = false;
    key.oid = row->oid;
    if (row->trailing) return true;
    // The day's sign bit flipped, so that the numbers order as the days do.
    const std::uint64_t day = static_cast<std::uint32_t>(row->day) ^ 0x80000000u;
    key.dayRank = day << 32;
    if (IsHeader(row)) return true;
    const bool ordersByStart = row->kind != kCalendarKindTask;
    const bool allDayFirst = ordersByStart && row->kind != kCalendarKindJournal;
    key.dayRank |= 1 + 2 * KindPlace(row->kind, taskOnTop) + (allDayFirst && !row->allDay ? 1 : 0);
    if (ordersByStart) {
        if (std::isnan(row->start)) return false;
        key.start = OrderedBits(row->start);
    }
    key.bySubject = allDayFirst;
    return true;
}

// A table from keys to values by open addressing, kept between sorts so
// that its slots are not made again each time; the sort's two look-ups of a
// row (its group, its subject's key) then cost no allocation and no chain.
template <class Key, class Value>
class FlatTable {
public:
    // Empties the table, sized for about count keys. Its slots stay where
    // they are when they are enough.
    void Reset(size_t count)
    {
        size_t size = 16;
        int bits = 4;
        for (; size < 2 * count; size *= 2) ++bits;
        m_slots.assign(size, Slot{});
        m_bits = bits;
        m_used = 0;
    }

    // The value of key, added (as Value{}) when missing; second: whether it was.
    std::pair<Value*, bool> Find(Key key)
    {
        if (2 * (m_used + 1) > m_slots.size()) Grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = Start(key, m_bits);; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (!slot.used) {
                slot = Slot{key, Value{}, true};
                ++m_used;
                return {&slot.value, true};
            }
            if (slot.key == key) return {&slot.value, false};
        }
    }

    // Keys added since the last Reset.
    size_t Used() const { return m_used; }

    // Every key and value, in no particular order.
    template <class Visit>
    void ForEach(Visit visit)
    {
        for (Slot& slot : m_slots) {
            if (slot.used) visit(slot.key, slot.value);
        }
    }

private:
    struct Slot {
        Key key{};
        Value value{};
        bool used = false;
    };
    // The first slot looked at, among 2^bits.
    static size_t Start(Key key, int bits)
    {
        std::uint64_t hashed;
        if constexpr (std::is_pointer_v<Key>) {
            hashed = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
        } else {
            hashed = static_cast<std::uint64_t>(key);
        }
        // The product's high bits depend on every bit of the key (its low
        // ones only on the key's low bits, the kind of a day-and-kind key).
        hashed *= 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(hashed >> (64 - bits));
    }
    void Grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        Reset(old.size());
        for (const Slot& slot : old) {
            if (slot.used) *Find(slot.key).first = slot.value;
        }
    }

    std::vector<Slot> m_slots;
    int m_bits = 0;  // the slots are 2^m_bits
    size_t m_used = 0;
};

using KeysByAddress = FlatTable<const WCHAR*, const std::string*>;

// The tables start small and double as they fill. The subjects' table is
// then sized for the keys the last sort gave it (at most one per row):
// months hold about as many subjects each, and a table that does not grow
// writes its slots once and keeps its memory.
constexpr size_t kFirstTableKeys = 8;

// The last steps of CompareFunc for two rows of one run: by subject (their
// collation keys first, one per text, and most often the very same string
// for a series' occurrences, which is then found by its address without
// reading it), then by OID; or CompareFunc itself when the run's kind is not
// ordered by subject.
class RunOrder {
public:
    struct Entry {
        DATACALENDAR* row;
        const WCHAR* subject;
        const std::string* key;  // null when the subject has none (or is not used)
        std::uint64_t head;      // HeadOf(*key), 0 without a key
        DWORD oid;
    };

    RunOrder(CollationKeyCache& cache, KeysByAddress& byAddress, size_t rows)
        : m_subjects(LOCALE_USER_DEFAULT, 0), m_cache(cache), m_byAddress(byAddress)
    {
        cache.Begin(m_subjects);
        byAddress.Reset(std::clamp(byAddress.Used(), kFirstTableKeys, std::max(rows, kFirstTableKeys)));
    }
    ~RunOrder() { m_cache.End(); }
    RunOrder(const RunOrder&) = delete;
    RunOrder& operator=(const RunOrder&) = delete;

    // keyed: whether the run is long enough for collation keys to pay (a
    // key costs several comparisons); a short run compares its subjects.
    // key: the row's sort key, whose subject and OID are the row's.
    Entry EntryOf(DATACALENDAR* row, const StartOrderKey& rowKey, bool keyed)
    {
        const bool bySubject = rowKey.bySubject;
        const WCHAR* subject = bySubject ? rowKey.subject : nullptr;
        if (!bySubject || !keyed) return {row, subject, nullptr, 0, rowKey.oid};
        auto [at, addedAddress] = m_byAddress.Find(subject);
        if (addedAddress) *at = m_cache.KeyOf(m_subjects, subject);
        const std::string* key = *at;
        return {row, subject, key, key ? CollationKeyCache::HeadOf(*key) : 0, rowKey.oid};
    }

    int Compare(const Entry& a, const Entry& b, bool bySubject) const
    {
        if (!bySubject) return CCalendarThread::CompareFunc(a.row, b.row, 0);
        // One key is one text, which compares equal to itself; so does one string.
        if (a.subject != b.subject && (a.key != b.key || !a.key)) {
            int r = 0;
            if (a.key && b.key) r = a.head != b.head ? (a.head < b.head ? -1 : 1) : a.key->compare(*b.key);
            if (r == 0) {
                r = m_subjects.Compare(a.subject, -1, b.subject, -1);
                r = r == 0 ? 0 : r - CSTR_EQUAL;
            }
            if (r != 0) return r < 0 ? -1 : 1;
        }
        return Order(a.oid, b.oid);
    }

private:
    LocaleComparer m_subjects;
    CollationKeyCache& m_cache;
    // Addresses hold only for one sort: the table is emptied at its start.
    KeysByAddress& m_byAddress;
};

// Runs of rows this long or longer order their subjects by collation keys.
constexpr size_t kKeyedRunRows = 8;

// The sort looks whether its thread is being killed once per this many comparisons.
constexpr unsigned kCheckPointInterval = 1024;

}  // namespace calendar_sort

using namespace calendar_sort;

// The sort's buffers, kept by the loader between loads: a month's rows
// need megabytes of them, which made fresh for every sort cost a page fault
// per page.
struct CalendarSortScratch {
    std::vector<DATACALENDAR*> rows;
    std::vector<DATACALENDAR*> sorted;
    std::vector<DayOrderKey> keys;
    std::vector<StartOrderKey> dealt;
    std::vector<RunOrder::Entry> run;
    CollationKeyCache subjectKeys;
    KeysByAddress keysByAddress;
    FlatTable<std::uint64_t, std::uint32_t> groupAt;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> groups;
};

void CCalendarThread::SortList(CalendarCompareFn compare, bool descending)
{
    // A month can hold tens of thousands of rows: they are sorted as an array
    // (stable, like the list's own sort) and written back into the nodes.
    const TasksSortScope taskOrder(m_taskSort);
    if (!m_sortScratch) m_sortScratch = std::make_shared<CalendarSortScratch>();
    std::vector<DATACALENDAR*>& rows = m_sortScratch->rows;
    rows.clear();
    rows.reserve(static_cast<size_t>(m_list.GetCount()));
    for (DATACALENDAR* row : m_list) rows.push_back(row);
    if (compare != &CompareFunc || !SortByCompareFunc(*m_sortScratch, descending)) {
        std::stable_sort(rows.begin(), rows.end(), [compare, descending](DATACALENDAR* a, DATACALENDAR* b) {
            platform::ThreadCheckPoint();  // a killed loader leaves a long sort here
            return descending ? compare(b, a, 0) < 0 : compare(a, b, 0) < 0;
        });
    }
    int pos = 1;
    for (DATACALENDAR* row : rows) *m_list.ElementAt(pos++) = row;
}

bool CCalendarThread::SortByCompareFunc(CalendarSortScratch& scratch, bool descending)
{
    std::vector<DATACALENDAR*>& rows = scratch.rows;
    const bool taskOnTop = s_showTaskOnTop.load(std::memory_order_relaxed);
    if (rows.size() > kMostKeyedRows) return false;
    std::vector<DayOrderKey>& keys = scratch.keys;
    keys.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const DATACALENDAR* row = rows[i];
        if (!row || row->kind > kLargestKeyedKind) return false;
        if (!KeyOf(row, taskOnTop, static_cast<std::uint32_t>(i), keys[i])) return false;
    }
    unsigned compared = 0;
    auto checkPoint = [&compared] {
        // A killed loader leaves a long sort here.
        if (++compared % kCheckPointInterval == 0) platform::ThreadCheckPoint();
    };
    if (descending) {
        // Descending numbers, but rows they leave level still in their places.
        for (DayOrderKey& key : keys) {
            key.dayRank = ~key.dayRank;
            key.start = ~key.start;
        }
    }
    // A month's rows hold a few hundred distinct day-and-kind numbers: the
    // rows are dealt into one group per number in the numbers' order
    // (keeping their places), and only each group is sorted, by start.
    auto& groupAt = scratch.groupAt;
    groupAt.Reset(kFirstTableKeys);
    for (const DayOrderKey& key : keys) ++*groupAt.Find(key.dayRank).first;
    std::vector<std::pair<std::uint64_t, std::uint32_t>>& groups = scratch.groups;
    groups.clear();
    groupAt.ForEach([&groups](std::uint64_t dayRank, std::uint32_t size) { groups.emplace_back(dayRank, size); });
    std::sort(groups.begin(), groups.end());
    std::uint32_t at = 0;
    for (auto& [dayRank, size] : groups) {
        *groupAt.Find(dayRank).first = at;
        at += size;
    }
    std::vector<StartOrderKey>& dealt = scratch.dealt;
    dealt.resize(keys.size());
    for (const DayOrderKey& key : keys) {
        StartOrderKey& to = dealt[(*groupAt.Find(key.dayRank).first)++];
        to.start = key.start;
        to.subject = key.subject;
        to.place = key.place;
        to.bySubject = key.bySubject;
        to.oid = key.oid;
    }
    at = 0;
    for (const auto& [dayRank, size] : groups) {
        std::sort(dealt.begin() + at, dealt.begin() + at + size,
                  [&checkPoint](const StartOrderKey& a, const StartOrderKey& b) {
                      checkPoint();
                      if (a.start != b.start) return a.start < b.start;
                      return a.place < b.place;
                  });
        at += size;
    }

    std::vector<DATACALENDAR*>& sorted = scratch.sorted;
    sorted.resize(rows.size());
    RunOrder order(scratch.subjectKeys, scratch.keysByAddress, rows.size());
    std::vector<RunOrder::Entry>& run = scratch.run;
    size_t groupEnd = 0;
    auto group = groups.begin();
    for (size_t first = 0; first < dealt.size();) {
        // Runs end where their group does: one day and kind.
        while (first == groupEnd) groupEnd += (group++)->second;
        size_t end = first + 1;
        while (end < groupEnd && dealt[end].start == dealt[first].start) ++end;
        if (end - first == 1) {
            sorted[first] = rows[dealt[first].place];
        } else {
            const bool bySubject = dealt[first].bySubject;
            run.clear();
            const bool keyed = end - first >= kKeyedRunRows;
            for (size_t i = first; i < end; ++i) run.push_back(order.EntryOf(rows[dealt[i].place], dealt[i], keyed));
            auto before = [&](const RunOrder::Entry& a, const RunOrder::Entry& b) {
                checkPoint();
                return descending ? order.Compare(b, a, bySubject) < 0 : order.Compare(a, b, bySubject) < 0;
            };
            if (run.size() < kKeyedRunRows) {
                // Most runs are two or three rows: a stable insertion, with
                // no buffer made for it.
                for (size_t i = 1; i < run.size(); ++i) {
                    const RunOrder::Entry moving = run[i];
                    size_t j = i;
                    for (; j > 0 && before(moving, run[j - 1]); --j) run[j] = run[j - 1];
                    run[j] = moving;
                }
            } else {
                std::stable_sort(run.begin(), run.end(), before);
            }
            for (size_t i = first; i < end; ++i) sorted[i] = run[i - first].row;
        }
        first = end;
    }
    rows.swap(sorted);
    return true;
}

int CCalendarThread::CompareFuncDate(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long)
{
    if (a == b) return 0;
    if (!a || !b) return a ? -1 : 1;
    return Order(a->start, b->start);
}

int CCalendarThread::CompareFuncBirthday(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long)
{
    int result = 0;
    if (Decided(a, b, &result)) return result;
    const int keyA = DayOfYearKey(a->day), keyB = DayOfYearKey(b->day);
    if (keyA != keyB) return Order(keyA, keyB);
    if (IsHeader(a) != IsHeader(b)) return IsHeader(a) ? -1 : 1;
    const int r = LocaleCompare(a->subject, b->subject);
    if (r != 0) return r;
    return Order(a->oid, b->oid);
}
