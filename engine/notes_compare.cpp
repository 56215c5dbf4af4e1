#include "engine/notes_compare.h"

#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/time/system_time.h"

namespace {

// Negative, 0 or positive from CompareStringW's 1, 2, 3.
int CompareNames(const WCHAR* a, const WCHAR* b)
{
    return CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1) - CSTR_EQUAL;
}

int Directed(int result, unsigned long user) { return user == kNotesSortDescending ? -result : result; }

template <class T>
int Order(T a, T b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The basic order; `decided` false when both are notes and the key decides.
int CompareBasic(DATANOTES* const& a, DATANOTES* const& b, bool& decided)
{
    decided = true;
    if (!a || !b) return a ? -1 : (b ? 1 : 0);
    const bool aDb = a->kind == kNoteKindDatabase, bDb = b->kind == kNoteKindDatabase;
    if (aDb != bDb) return aDb ? -1 : 1;
    if (a->folder != b->folder) return a->folder ? -1 : 1;
    if (a->folder) return CompareNames(a->name, b->name);
    decided = false;
    return 0;
}

template <class Key>
int CompareWith(DATANOTES* const& a, DATANOTES* const& b, unsigned long user, Key key)
{
    bool decided = false;
    const int basic = CompareBasic(a, b, decided);
    return decided ? basic : Directed(key(*a, *b), user);
}

}  // namespace

NotesCompareFn NotesComparison(DWORD key)
{
    switch (key) {
        case kNotesSortAlarm: return NotesCompareAlarmTime;
        case kNotesSortCreated: return NotesCompareCreatedTime;
        case kNotesSortModified: return NotesCompareModifiedTime;
        case kNotesSortSize: return NotesCompareSize;
        case kNotesSortCategory: return NotesCompareCategory;
        default: return NotesCompareSubject;
    }
}

int NotesCompareSubject(DATANOTES* const& a, DATANOTES* const& b, unsigned long user)
{
    return CompareWith(a, b, user, [](const DATANOTES& x, const DATANOTES& y) { return CompareNames(x.name, y.name); });
}

int NotesCompareAlarmTime(DATANOTES* const& a, DATANOTES* const& b, unsigned long user)
{
    return CompareWith(a, b, user, [](const DATANOTES& x, const DATANOTES& y) {
        return static_cast<int>(CompareFileTime(&x.alarm, &y.alarm));
    });
}

int NotesCompareCreatedTime(DATANOTES* const& a, DATANOTES* const& b, unsigned long user)
{
    return CompareWith(a, b, user, [](const DATANOTES& x, const DATANOTES& y) {
        return static_cast<int>(CompareFileTime(&x.created, &y.created));
    });
}

int NotesCompareModifiedTime(DATANOTES* const& a, DATANOTES* const& b, unsigned long user)
{
    return CompareWith(a, b, user, [](const DATANOTES& x, const DATANOTES& y) {
        return static_cast<int>(CompareFileTime(&x.modified, &y.modified));
    });
}

int NotesCompareSize(DATANOTES* const& a, DATANOTES* const& b, unsigned long user)
{
    return CompareWith(a, b, user, [](const DATANOTES& x, const DATANOTES& y) { return Order(x.size, y.size); });
}

int NotesCompareCategory(DATANOTES* const& a, DATANOTES* const& b, unsigned long user)
{
    return CompareWith(a, b, user, [](const DATANOTES& x, const DATANOTES& y) {
        const int byCategory = CompareNames(x.categories, y.categories);
        return byCategory != 0 ? byCategory : CompareNames(x.name, y.name);
    });
}

int NotesCompareOID(DATANOTES* const& a, DATANOTES* const& b, unsigned long)
{
    if (!a || !b) return a ? -1 : (b ? 1 : 0);
    return Order(a->id, b->id);
}
