// CSearchThread: reading and filtering each store.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "categories/category_blob.h"
#include "categories/category_filter.h"
#include "engine/calendar_day_numbers.h"
#include "engine/calendar_recurrence.h"
#include "engine/calendar_thread.h"
#include "engine/notes_thread.h"
#include "engine/search_thread.h"
#include "engine/task_subject_prefix.h"
#include "foundation/string_functions.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/base/private_heap.h"
#include "platform/locale/date_format.h"
#include "platform/locale/locale_id.h"
#include "platform/objectstore/search_text_index.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_format.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"

namespace {

constexpr DWORD kSearchReadBufferSize = 128 * 1024;
// Records read between two looks at the stop event (the worker's stop flag
// is looked at for every record).
constexpr int kSearchStopCheckInterval = 25;

// ---- the record's entries, read in place ----

const CEPROPVAL* EntryAt(const CeDbRecord& record, int index) { return record.StoredAt(index); }

const WCHAR* TextAt(const CeDbRecord& record, int index)
{
    const CEPROPVAL* entry = EntryAt(record, index);
    if (!entry || TypeFromPropID(entry->propid) != CEVT_LPWSTR || !entry->val.lpwstr) return nullptr;
    return entry->val.lpwstr;
}

bool FileTimeAt(const CeDbRecord& record, int index, unsigned long long& units)
{
    const CEPROPVAL* entry = EntryAt(record, index);
    if (!entry || TypeFromPropID(entry->propid) != CEVT_FILETIME) return false;
    units = platform::FileTimeValue(entry->val.filetime);
    return true;
}

LONG NumberAt(const CeDbRecord& record, int index, LONG fallback = 0)
{
    const CEPROPVAL* entry = EntryAt(record, index);
    if (!entry) return fallback;
    switch (TypeFromPropID(entry->propid)) {
        case CEVT_I2:
            return entry->val.iVal;
        case CEVT_UI2:
            return entry->val.uiVal;
        case CEVT_I4:
            return entry->val.lVal;
        case CEVT_UI4:
            return static_cast<LONG>(entry->val.ulVal);
        case CEVT_BOOL:
            return entry->val.boolVal != 0;
        default:
            return fallback;
    }
}

CEBLOB BlobAt(const CeDbRecord& record, int index)
{
    const CEPROPVAL* entry = EntryAt(record, index);
    if (!entry || TypeFromPropID(entry->propid) != CEVT_BLOB) return CEBLOB{0, nullptr};
    return entry->val.blob;
}

double OleOfUnits(unsigned long long units)
{
    return static_cast<double>(units) / static_cast<double>(kFileTimeUnitsPerDay) -
           static_cast<double>(calendar_days::kDaysFrom1601);
}

// Appends " " + text to a field buffer of capacity characters (cut when full).
void AppendField(WCHAR* buffer, size_t& used, size_t capacity, const WCHAR* text)
{
    if (used + 1 >= capacity) return;
    buffer[used++] = u' ';
    for (; text && *text && used + 1 < capacity; ++text) buffer[used++] = *text;
    buffer[used] = 0;
}

// ---- the contact property list ----

constexpr int kContactFileAsIndex = 0;
constexpr int kContactNamesFirst = 1, kContactNamesEnd = 12;
constexpr int kContactPhonesFirst = 12, kContactPhonesEnd = 23;
constexpr int kContactEmailFirst = 23, kContactEmailEnd = 26;
constexpr int kContactAddressFirst = 26, kContactAddressEnd = 41;
constexpr int kContactAnniversaryIndex = 41, kContactBirthdayIndex = 42;
constexpr int kContactNoteIndex = 43, kContactCategoriesIndex = 44, kContactIconTextIndex = 45;
constexpr int kContactPropCount = 46;

constexpr ULONG kContactSearchProps[kContactPropCount] = {
    kContactFileAs,
    kContactFirstName, kContactTitle, kContactMiddleName, kContactSuffix, kContactLastName, kContactCompanyName,
    kContactDepartment, kContactJobTitle, kContactAssistantName, kContactSpouse, kContactChildren,
    kContactBusinessTelephoneNumber, kContactHome2TelephoneNumber, kContactMobileTelephoneNumber,
    kContactPagerNumber, kContactHomeTelephoneNumber, kContactHome2TelephoneNumber,
    kContactAssistantTelephoneNumber, kContactCarTelephoneNumber, kContactHomeFaxNumber, kContactBusinessFaxNumber,
    kContactRadioTelephoneNumber,
    kContactEmail1Address, kContactEmail2Address, kContactEmail3Address,
    kContactBusinessAddressStreet, kContactBusinessAddressCity, kContactBusinessAddressState,
    kContactBusinessAddressPostalCode, kContactBusinessAddressCountry,
    kContactHomeAddressStreet, kContactHomeAddressCity, kContactHomeAddressState, kContactHomeAddressCountry,
    kContactHomeAddressPostalCode,
    kContactOtherAddressStreet, kContactOtherAddressCity, kContactOtherAddressState,
    kContactOtherAddressPostalCode, kContactOtherAddressCountry,
    kContactAnniversary, kContactBirthday,
    kItemNote, kItemCategories, kContactExtraText,
};

// ---- the task property list ----

constexpr int kTaskSensitivityIndex = 0, kTaskCompleteIndex = 1, kTaskStartIndex = 2, kTaskDueIndex = 3;
constexpr int kTaskImportanceIndex = 4, kTaskSubjectIndex = 5, kTaskCategoriesIndex = 8, kTaskNoteIndex = 9;
constexpr int kTaskPropCount = 11;

constexpr ULONG kTaskSearchProps[kTaskPropCount] = {
    kTaskSensitivity, kTaskComplete, kTaskStartDate, kTaskDueDate, kTaskImportance, kTaskSubject,
    kTaskReminderSet, kTaskRecurring, kItemCategories, kItemNote, kTaskIconText,
};

// ---- the appointment property list (the calendar loader's) ----

constexpr int AppointmentIndex(ULONG id)
{
    for (int i = 0; i < kCalendarAppointmentProps; ++i)
        if (kCalendarAppointmentPropIds[i] == id) return i;
    return -1;
}
constexpr int kApptSubjectIndex = AppointmentIndex(kAppointmentSubject);
constexpr int kApptLocationIndex = AppointmentIndex(kAppointmentLocation);
constexpr int kApptNoteIndex = AppointmentIndex(kItemNote);
constexpr int kApptCategoriesIndex = AppointmentIndex(kItemCategories);
constexpr int kApptSensitivityIndex = AppointmentIndex(kAppointmentSensitivity);
static_assert(kApptSubjectIndex >= 0 && kApptLocationIndex >= 0 && kApptNoteIndex >= 0 && kApptCategoriesIndex >= 0 &&
              kApptSensitivityIndex >= 0);

// ---- the journal's texts ----

constexpr ULONG kJournalSearchProps[] = {
    kJournalSubject, kJournalType, kJournalParentText, kJournalText3, kJournalPlainNotes,
    kJournalNotes,   kJournalStart, kJournalCreated,
};
constexpr int kJournalTextCount = 5;
constexpr int kJournalNotesIndex = 5, kJournalStartIndex = 6, kJournalCreatedIndex = 7;

// Counts the occurrences a recurrence expansion makes, keeping none.
class CountingSink : public CalendarOccurrenceSink {
public:
    bool ReadRecordRest(DATACALENDARDB&) override { return true; }
    bool IsAppointmentToBeDisplayed(const WCHAR*) override { return true; }
    void AddEntry(DATACALENDAR* entry) override
    {
        if (entry && (first == 0 || entry->start < first)) first = entry->start;
        delete entry;
        ++count;
    }
    int count = 0;
    double first = 0;
};

// The longest stretch of a range a recurring series is expanded over to
// find whether it has an occurrence there; wider ranges are decided by the
// series' first and last dates alone.
constexpr LONG kSearchExpandDays = 400;

}  // namespace

unsigned int CSearchThread::SetPropIdsTasks(ULONG* ids)
{
    if (ids) std::copy(std::begin(kTaskSearchProps), std::end(kTaskSearchProps), ids);
    return kTaskPropCount;
}

unsigned int CSearchThread::SetPropIdsContacts(ULONG* ids)
{
    if (ids) std::copy(std::begin(kContactSearchProps), std::end(kContactSearchProps), ids);
    return kContactPropCount;
}

template <class Visit>
bool CSearchThread::WalkStore(const WCHAR* database, USHORT count, ULONG* ids, Visit visit,
                              const std::vector<std::u16string>& pieces, DWORD flags)
{
    CeDb* db = GetDatabaseClass();
    if (!db || !db->Open(database, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER, nullptr)) return true;
    // Narrowed, the handle stands before the first record holding the pieces.
    const bool narrowed = !pieces.empty() && CeRestrictToSearchText(db->GetHandle(), pieces, flags) != FALSE;
    CeDbRecord record;
    auto attach = [&record]() {
        auto* buffer = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, kSearchReadBufferSize));
        if (buffer) record.Attach(0, 0, kSearchReadBufferSize, buffer, nullptr);
        return buffer;
    };
    CEPROPVAL* buffer = attach();
    bool finished = true;
    int visited = 0;
    if (buffer && (narrowed || db->SeekFirst() != 0)) {
        for (;;) {
            if (IsStopSet() || (visited++ % kSearchStopCheckInterval == 0 && Stopping())) {
                finished = false;
                break;
            }
            bool read = db->ReadRec(record, buffer, kSearchReadBufferSize, count, ids);
            bool ownBuffer = false;
            if (!read && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
                // A record larger than the reused buffer (a long note): read
                // into a buffer of its own, then take a fresh reused one.
                read = db->ReadRec(record, count, ids);
                ownBuffer = true;
            }
            if (!read) {
                if (ownBuffer) buffer = attach();
                if (!buffer || GetLastError() == ERROR_NOT_FOUND || db->SeekNext() == 0) break;
                continue;
            }
            visit(record);
            if (ownBuffer) {
                record.Reset();
                if (!(buffer = attach())) break;
            }
        }
    }
    record.Reset();
    db->Close();
    return finished;
}

template <class Visit>
void CSearchThread::ReadEach(const WCHAR* database, const std::vector<CEOID>& oids, USHORT count, ULONG* ids,
                             Visit visit)
{
    CeDb* db = GetDatabaseClass();
    if (oids.empty() || !db || !db->Open(database, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER, nullptr)) return;
    CeDbRecord record;
    for (CEOID oid : oids) {
        if (Stopping()) break;
        // A record deleted since the walk is no hit any more.
        if (db->SeekTo(oid) == oid && db->ReadRec(record, count, ids)) visit(record);
    }
    record.Reset();
    db->Close();
}

std::vector<std::u16string> CSearchThread::NarrowingPieces() const
{
    return m_bPrefilter ? m_pattern.LiteralPieces() : std::vector<std::u16string>{};
}

template <class Visit>
void CSearchThread::ReadStore(const WCHAR* database, bool prefilter, DWORD flags, USHORT count, ULONG* ids,
                              Visit visit)
{
    WalkStore(database, count, ids, visit, prefilter ? NarrowingPieces() : std::vector<std::u16string>{}, flags);
}

bool CSearchThread::WithinBounds(const FILETIME& date) const
{
    const unsigned long long units = platform::FileTimeValue(date);
    if (m_fromTime != 0 && units < m_fromTime) return false;
    if (m_toTime != 0 && units >= m_toTime + kFileTimeUnitsPerDay) return false;
    return true;
}

bool CSearchThread::PrivacyPasses(bool isPrivate) const
{
    if (m_params.privacy < 0) return true;
    return (m_params.privacy >= 1) == isPrivate;
}

WCHAR* CSearchThread::GroupText(int icon)
{
    for (const auto& [number, text] : m_groupTexts)
        if (number == icon) return text;
    WCHAR text[32];
    wsprintfW(text, u"<IMG SRC=%d> ", icon);
    return m_groupTexts.emplace_back(icon, HitText(text)).second;
}

const std::u16string& CSearchThread::ShortDate(double date)
{
    const auto day = static_cast<std::int64_t>(std::floor(date));
    auto found = m_shortDates.find(day);
    if (found != m_shortDates.end()) return found->second;
    const SYSTEMTIME st = calendar_days::SystemTimeOfDay(day);
    WCHAR text[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 64);
    return m_shortDates.emplace(day, text).first->second;
}

DATAGENERAL* CSearchThread::AddHit(DWORD kind, int icon, CEOID oid)
{
    DATAGENERAL* hit = new (*m_hitArena) SearchHit;
    hit->kind = kind;
    hit->oid = oid;
    hit->groupText = GroupText(icon);
    hit->filled = 1;
    if (!m_params.noSideDatabases && SideDatabasesOpen()) {
        hit->hasLinks = HasLinks(oid);
        hit->hasJournal = HasJournal(oid);
    }
    m_list.Append(hit);
    return hit;
}

void CSearchThread::SetCategoryText(DATAGENERAL* hit, const CEPROPVAL* entry)
{
    if (!entry || TypeFromPropID(entry->propid) != CEVT_BLOB || entry->val.blob.dwCount == 0) return;
    m_scratchCategories.RemoveAll();
    BLOB2Categories(entry->val.blob, m_scratchCategories);
    WCHAR* text = m_scratchCategories.IsEmpty() ? nullptr : CategoryAssembler(m_scratchCategories);
    m_scratchCategories.RemoveAll();
    if (!text) return;
    hit->categoryText = HitText(text);
    if (GetPrivateHeap())
        HeapFree(GetPrivateHeap(), 0, text);
    else
        std::free(text);
}

// ---- contacts ----

bool CSearchThread::MatchContactFields(const CEPROPVAL* props, const int* fields, int count, bool soundexNames,
                                       bool phones, bool withNote)
{
    WCHAR* buffer = m_fieldBuffer.get();
    const size_t capacity = kSearchFieldChars;
    const bool useSoundex = soundexNames && m_pattern.UsesSoundex();
    const bool noteBodies = withNote && m_params.noteBodies != 0;
    // The note is looked at once, with the first attempt.
    bool noteTried = false;
    auto attempt = [&](bool soundex) {
        const bool note = noteBodies && !noteTried;
        noteTried = true;
        return SearchText(buffer, props, kContactNoteIndex, note ? 1 : 0, soundex ? 1 : 0);
    };
    // One field's forms: its Soundex code, its dialable form then its text, or its text.
    auto forms = [&](const WCHAR* text, auto each) {
        if (useSoundex) {
            WCHAR code[kSoundexChars];
            if (SoundexCode(text, code) > 0) return each(code);
            return false;
        }
        if (phones) {
            // The dialable form is never longer than the text; a text too
            // long for the buffer is cut first.
            WCHAR dialable[kSearchFieldChars / 2];
            dialable[0] = 0;
            const size_t length = wcslen(text);
            if (length < std::size(dialable)) {
                CopyPhone(dialable, text);
            } else {
                std::u16string cut(text, std::size(dialable) - 1);
                CopyPhone(dialable, cut.c_str());
            }
            if (each(dialable)) return true;
        }
        return each(text);
    };
    if (!m_pattern.Anywhere()) {
        for (int i = 0; i < count; ++i) {
            const WCHAR* text = props[fields[i]].wFlags & CEDB_PROPNOTFOUND ||
                                        TypeFromPropID(props[fields[i]].propid) != CEVT_LPWSTR
                                    ? nullptr
                                    : props[fields[i]].val.lpwstr;
            if (!text || !*text) continue;
            const bool hit = forms(text, [&](const WCHAR* form) {
                size_t used = 0;
                buffer[0] = 0;
                AppendField(buffer, used, capacity, form);
                return attempt(useSoundex);
            });
            if (hit) return true;
        }
        // No field at all: the note may still hold the text.
        if (noteBodies && !noteTried) return SearchNote(props, kContactNoteIndex);
        return false;
    }
    size_t used = 0;
    buffer[0] = 0;
    for (int i = 0; i < count; ++i) {
        const CEPROPVAL& entry = props[fields[i]];
        if ((entry.wFlags & CEDB_PROPNOTFOUND) || TypeFromPropID(entry.propid) != CEVT_LPWSTR || !entry.val.lpwstr ||
            !*entry.val.lpwstr)
            continue;
        forms(entry.val.lpwstr, [&](const WCHAR* form) {
            AppendField(buffer, used, capacity, form);
            return false;
        });
    }
    if (used > 0 && attempt(useSoundex)) return true;
    if (noteBodies && !noteTried) return SearchNote(props, kContactNoteIndex);
    return false;
}

bool CSearchThread::ContactCheck(const CEPROPVAL* props)
{
    static constexpr int kNames[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    static constexpr int kPhones[] = {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
    static constexpr int kEmail[] = {23, 24, 25};
    static constexpr int kOthers[] = {26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 45};
    static constexpr int kText[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
    static_assert(kNames[std::size(kNames) - 1] + 1 == kContactNamesEnd && kPhones[0] == kContactPhonesFirst &&
                  kEmail[0] == kContactEmailFirst && kOthers[0] == kContactAddressFirst &&
                  kPhones[std::size(kPhones) - 1] + 1 == kContactPhonesEnd &&
                  kEmail[std::size(kEmail) - 1] + 1 == kContactEmailEnd &&
                  kOthers[std::size(kOthers) - 2] + 1 == kContactAddressEnd && kContactIconTextIndex == 45 &&
                  kContactFileAsIndex == 0 && kContactNamesFirst == 1);
    if (m_pattern.MatchAll()) return true;
    // The file-as name is a name of the contact, but not coded by Soundex.
    const int* names = kNames + 1;
    const int nameCount = static_cast<int>(std::size(kNames)) - 1;
    switch (m_params.fieldScope) {
        case kSearchFieldsAll:
            return MatchContactFields(props, kNames, 1, false, false, true) ||
                   MatchContactFields(props, names, nameCount, true, false, false) ||
                   MatchContactFields(props, kPhones, static_cast<int>(std::size(kPhones)), false, true, false) ||
                   MatchContactFields(props, kEmail, static_cast<int>(std::size(kEmail)), false, false, false) ||
                   MatchContactFields(props, kOthers, static_cast<int>(std::size(kOthers)), false, false, false);
        case kSearchFieldsNames:
            return MatchContactFields(props, names, nameCount, true, false, false);
        case kSearchFieldsName1:
        case kSearchFieldsName2:
        case kSearchFieldsName3:
            return MatchContactFields(props, names + (m_params.fieldScope - kSearchFieldsName1), 1, true, false,
                                      false);
        case kSearchFieldsText:
            return MatchContactFields(props, kText, static_cast<int>(std::size(kText)), false, false, false);
        case kSearchFieldsPhones:
            return MatchContactFields(props, kPhones, static_cast<int>(std::size(kPhones)), false, true, false);
        default:
            return false;
    }
}

namespace {

// How much of the contact list a field scope's match reads: the list is
// ordered names, telephones, e-mail, the rest, so it is always a prefix.
int ContactMatchProps(DWORD scope)
{
    switch (scope) {
        case kSearchFieldsNames:
        case kSearchFieldsName1:
        case kSearchFieldsName2:
        case kSearchFieldsName3:
            return kContactNamesEnd;
        case kSearchFieldsPhones:
            return kContactPhonesEnd;
        case kSearchFieldsText:
            return kContactEmailEnd;
        default:
            return kContactPropCount;
    }
}

}  // namespace

void CSearchThread::ReadContacts()
{
    ULONG ids[kContactPropCount];
    SetPropIdsContacts(ids);
    auto addHit = [this](CeDbRecord& record) {
        DATAGENERAL* hit = AddHit(kSearchKindContact, kSearchIconContact, record.GetOid());
        std::u16string& name = m_line;
        const WCHAR* fileAs = TextAt(record, kContactFileAsIndex);
        name.assign(fileAs ? fileAs : u"");
        if (name.empty()) {
            const WCHAR* first = TextAt(record, 1);
            const WCHAR* last = TextAt(record, 5);
            name.assign(first ? first : u"").append(first && last ? u" " : u"").append(last ? last : u"");
        }
        if (name.empty()) {
            if (const WCHAR* company = TextAt(record, 6)) name = company;
        }
        hit->displayText = HitText(name);
        const CEBLOB note = BlobAt(record, kContactNoteIndex);
        hit->hasNote = note.dwCount > 0 ? 1 : 0;
        SetCategoryText(hit, EntryAt(record, kContactCategoriesIndex));
        ++m_contactHits;
    };
    // A scope that matches only part of the list reads that part, and the
    // categories and dates its filters need behind it; its hits are read
    // whole afterwards. Scopes that need the whole list read it once.
    const int matched = m_pattern.MatchAll() || m_params.noteBodies ? kContactPropCount
                                                                     : ContactMatchProps(m_params.fieldScope);
    const bool partial = matched < kContactPropCount;
    ULONG matchIds[kContactPropCount];
    std::copy(ids, ids + matched, matchIds);
    const int categoriesAt = partial ? matched : kContactCategoriesIndex;
    const int anniversaryAt = partial ? matched + 1 : kContactAnniversaryIndex;
    const int birthdayAt = partial ? matched + 2 : kContactBirthdayIndex;
    const int readCount = partial ? matched + 3 : kContactPropCount;
    matchIds[categoriesAt] = ids[kContactCategoriesIndex];
    matchIds[anniversaryAt] = ids[kContactAnniversaryIndex];
    matchIds[birthdayAt] = ids[kContactBirthdayIndex];
    // Whether a record read with categories, anniversary and birthday at
    // these places passes the restrictions and the text.
    auto passes = [&](CeDbRecord& record, int categoriesAt, int anniversaryAt, int birthdayAt, int readCount) {
        const CEBLOB categories = BlobAt(record, categoriesAt);
        if (!CategoryFilterHighLevel(&categories, &m_categoryRestrict)) return false;
        if (BothBounds()) {
            unsigned long long anniversary = 0, birthday = 0;
            const bool hasAnniversary = FileTimeAt(record, anniversaryAt, anniversary);
            const bool hasBirthday = FileTimeAt(record, birthdayAt, birthday);
            const bool inRange = (hasAnniversary && WithinBounds(platform::MakeFileTime(anniversary))) ||
                                 (hasBirthday && WithinBounds(platform::MakeFileTime(birthday)));
            if (!inRange) return false;
        }
        return record.GetCount() >= readCount && ContactCheck(record.GetProps());
    };
    // Soundex codes and note bodies are not in the store's search text; a
    // telephone matches in its dialable form too.
    std::vector<CEOID> hits;
    const bool phones = m_params.fieldScope == kSearchFieldsAll || m_params.fieldScope == kSearchFieldsPhones;
    if (!m_pattern.UsesSoundex() && !m_params.noteBodies && !NarrowingPieces().empty()) {
        ReadStore(kContactsDatabase, true, phones ? CEDB_SEARCHTEXT_PHONEFORMS : 0, kContactPropCount, ids,
                  [&](CeDbRecord& record) {
                      if (passes(record, kContactCategoriesIndex, kContactAnniversaryIndex, kContactBirthdayIndex,
                                 kContactPropCount))
                          addHit(record);
                  });
        return;
    }
    WalkStore(kContactsDatabase, static_cast<USHORT>(readCount), matchIds, [&](CeDbRecord& record) {
        if (!passes(record, categoriesAt, anniversaryAt, birthdayAt, readCount)) return;
        if (partial)
            hits.push_back(record.GetOid());
        else
            addHit(record);
    });
    ReadEach(kContactsDatabase, hits, kContactPropCount, ids, addHit);
}

// ---- tasks ----

bool CSearchThread::TaskCheck(const CEPROPVAL*)
{
    // The text is matched by ReadTasks, which has the record; this is the
    // scope test.
    return m_params.fieldScope == kSearchFieldsAll || m_params.fieldScope == kSearchFieldsNames;
}

void CSearchThread::ReadTasks()
{
    if (!TaskCheck(nullptr)) return;
    ULONG ids[kTaskPropCount];
    SetPropIdsTasks(ids);
    // Note bodies are not in the store's search text.
    ReadStore(kTasksDatabase, !m_params.noteBodies, 0, kTaskPropCount, ids, [this](CeDbRecord& record) {
        if (record.GetCount() < kTaskPropCount) return;
        const CEBLOB categories = BlobAt(record, kTaskCategoriesIndex);
        if (!CategoryFilterHighLevel(&categories, &m_categoryRestrict)) return;
        unsigned long long start = 0, due = 0;
        const bool hasStart = FileTimeAt(record, kTaskStartIndex, start);
        const bool hasDue = FileTimeAt(record, kTaskDueIndex, due);
        if (Bounded()) {
            if (!hasStart && !hasDue) {
                if (BothBounds()) return;
            } else if (hasStart && hasDue) {
                if (m_toTime != 0 && start >= m_toTime + kFileTimeUnitsPerDay) return;
                if (m_fromTime != 0 && due < m_fromTime) return;
            } else if (!WithinBounds(platform::MakeFileTime(hasDue ? due : start))) {
                return;
            }
        }
        const bool complete = NumberAt(record, kTaskCompleteIndex) != 0;
        if (m_params.completion >= 0 && (m_params.completion >= 1) != complete) return;
        const bool isPrivate = NumberAt(record, kTaskSensitivityIndex) != 0;
        if (!PrivacyPasses(isPrivate)) return;

        // The subject without its priority code.
        const WCHAR* stored = TextAt(record, kTaskSubjectIndex);
        m_subject.assign(stored ? stored : u"");
        WCHAR* shown = m_subject.data();
        WCHAR letter[kTaskPrefixBufferChars], number[kTaskPrefixBufferChars];
        int days = 0;
        TaskSubjectPrefix::Parse(shown, letter, number, days);
        if (!m_pattern.MatchAll()) {
            size_t used = 0;
            m_fieldBuffer[0] = 0;
            AppendField(m_fieldBuffer.get(), used, kSearchFieldChars, shown);
            if (!SearchText(m_fieldBuffer.get(), record.GetProps(), kTaskNoteIndex, m_params.noteBodies ? 1 : 0, 0))
                return;
        }
        DATAGENERAL* hit = AddHit(kSearchKindTask, kSearchIconTask, record.GetOid());
        m_line.clear();
        if (hasDue) {
            hit->date = OleOfUnits(due);
            m_line.append(u"[").append(ShortDate(hit->date)).append(u"]  ");
        }
        m_line.append(u"<B>").append(shown).append(u"</B>");
        hit->displayText = HitText(m_line);
        hit->isPrivate = isPrivate ? 1 : 0;
        const LONG importance = NumberAt(record, kTaskImportanceIndex, 2);
        hit->importance = importance == 1 ? 2 : importance == 3 ? 0 : 1;
        const CEBLOB note = BlobAt(record, kTaskNoteIndex);
        hit->hasNote = note.dwCount > 0 ? 1 : 0;
        SetCategoryText(hit, EntryAt(record, kTaskCategoriesIndex));
        ++m_taskHits;
    });
}

// ---- appointments ----

bool CSearchThread::ApptCheck(const CEPROPVAL* props)
{
    if (m_params.fieldScope != kSearchFieldsAll && m_params.fieldScope != kSearchFieldsLocation &&
        m_params.fieldScope != kSearchFieldsNames)
        return false;
    if (m_pattern.MatchAll()) return true;
    auto text = [props](int id) -> const WCHAR* {
        const CEPROPVAL& entry = props[id];
        if ((entry.wFlags & CEDB_PROPNOTFOUND) || TypeFromPropID(entry.propid) != CEVT_LPWSTR) return nullptr;
        return entry.val.lpwstr;
    };
    const WCHAR* subject = text(kApptSubjectIndex);
    const WCHAR* location = text(kApptLocationIndex);
    WCHAR* buffer = m_fieldBuffer.get();
    size_t used = 0;
    buffer[0] = 0;
    if (m_params.fieldScope != kSearchFieldsLocation) AppendField(buffer, used, kSearchFieldChars, subject);
    if (m_params.fieldScope == kSearchFieldsAll) {
        // Subject and location are one text: " subject location".
        for (const WCHAR* p = location; p && *p && used + 1 < kSearchFieldChars; ++p) {
            if (p == location) buffer[used++] = u' ';
            buffer[used++] = *p;
        }
        buffer[used] = 0;
    }
    if (m_params.fieldScope == kSearchFieldsLocation) AppendField(buffer, used, kSearchFieldChars, location);
    return SearchText(buffer, props, kApptNoteIndex, m_params.noteBodies ? 1 : 0, 0);
}

void CSearchThread::ReadCalendar()
{
    ULONG ids[kCalendarAppointmentProps];
    std::copy(std::begin(kCalendarAppointmentPropIds), std::end(kCalendarAppointmentPropIds), ids);
    const int startIndex = AppointmentIndex(kAppointmentStart);
    const int durationIndex = AppointmentIndex(kAppointmentDuration);
    const int allDayIndex = AppointmentIndex(kAppointmentAllDay);
    const int patternIndex = AppointmentIndex(kAppointmentRecurrencePattern);
    const int zoneIndex = AppointmentIndex(kAppointmentTimeZone);
    CCalendarRecurrence recurrence;
    const LONG firstDay = m_fromTime ? static_cast<LONG>(calendar_days::DayOfFileTime(m_fromTime)) : 2;
    const LONG lastDay =
        m_toTime ? static_cast<LONG>(calendar_days::DayOfFileTime(m_toTime)) : kCalendarLastAcceptedDay;
    DATACALENDARDB working;
    // Local starts are shifted by the device's offset now, as
    // FileTimeToLocalFileTime shifts them, read once for the whole search;
    // times near either end of the range go through the call itself.
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::int64_t localShift =
        std::int64_t{platform::LocalOffsetMinutesAt(platform::FileTimeValue(now))} * kFileTimeUnitsPerMinute;
    const auto shiftMagnitude = static_cast<unsigned long long>(localShift < 0 ? -localShift : localShift);
    constexpr unsigned long long kPlainShiftLimit = 1ULL << 62;
    // Note bodies are not in the store's search text.
    ReadStore(kAppointmentsDatabase, !m_params.noteBodies, 0, kCalendarAppointmentProps, ids, [&](CeDbRecord& record) {
        if (record.GetCount() < kCalendarAppointmentProps) return;
        const CEBLOB categories = BlobAt(record, kApptCategoriesIndex);
        if (!CategoryFilterHighLevel(&categories, &m_categoryRestrict)) return;
        const bool isPrivate = NumberAt(record, kApptSensitivityIndex) != 0;
        if (!PrivacyPasses(isPrivate)) return;
        unsigned long long startUtc = 0;
        if (!FileTimeAt(record, startIndex, startUtc)) return;
        // The local start costs a look at the time zone: it is made only when
        // the bounds need it or the appointment is a hit.
        FILETIME local{};
        double start = 0;
        const auto toLocal = [&] {
            if (startUtc > shiftMagnitude && startUtc < kPlainShiftLimit) {
                local = platform::MakeFileTime(startUtc + static_cast<unsigned long long>(localShift));
            } else {
                const FILETIME utc = platform::MakeFileTime(startUtc);
                FileTimeToLocalFileTime(&utc, &local);
            }
            start = OleOfUnits(platform::FileTimeValue(local));
        };
        const CEBLOB pattern = BlobAt(record, patternIndex);
        if (Bounded()) {
            toLocal();
            if (pattern.dwCount == 0) {
                if (!WithinBounds(local)) return;
            } else {
                // A series counts when it has an occurrence in the range;
                // in a long range, when its dates meet the range.
                working.NullData();
                working.start = start;
                working.duration = NumberAt(record, durationIndex);
                working.end = start + working.duration / 1440.0;
                working.day = static_cast<LONG>(std::floor(start));
                working.allDay = NumberAt(record, allDayIndex) == 1 ? 1 : 0;
                working.recurring = 1;
                const CEBLOB zone = BlobAt(record, zoneIndex);
                const LONG expandLast = std::min<LONG>(lastDay, firstDay + kSearchExpandDays);
                recurrence.SetRange(firstDay, lastDay);
                if (!recurrence.ParseAndCheckRecurring(pattern.lpb, pattern.dwCount, zone.lpb, zone.dwCount, working))
                    return;
                if (lastDay - firstDay <= kSearchExpandDays) {
                    recurrence.SetRange(firstDay, expandLast);
                    CountingSink sink;
                    recurrence.fFillEventList(working, sink);
                    if (sink.count == 0) return;
                    start = sink.first;
                }
            }
        }
        if (!ApptCheck(record.GetProps())) return;
        if (!Bounded()) toLocal();
        DATAGENERAL* hit = AddHit(kSearchKindAppointment, kSearchIconAppointment, record.GetOid());
        hit->date = start;
        const WCHAR* subject = TextAt(record, kApptSubjectIndex);
        const WCHAR* location = TextAt(record, kApptLocationIndex);
        m_line.assign(u"[").append(ShortDate(start)).append(u"] <B>").append(subject ? subject : u"").append(u"</B>");
        if (location && *location) m_line.append(u" (").append(location).append(u")");
        hit->displayText = HitText(m_line);
        hit->isPrivate = isPrivate ? 1 : 0;
        const CEBLOB note = BlobAt(record, kApptNoteIndex);
        hit->hasNote = note.dwCount > 0 ? 1 : 0;
        SetCategoryText(hit, EntryAt(record, kApptCategoriesIndex));
        ++m_appointmentHits;
    });
}

// ---- notes ----

void CSearchThread::ReadNotes()
{
    CNotesThread notes;
    notes.SetManualSettings(true);
    notes.SetShowAllFolders(true);
    // A search shows each note's name, path and creation date, which a kept
    // listing has current.
    notes.SetKeptListings(true);
    notes.SetFilterPrivacy(m_params.privacy < 0 ? kNotesPrivacyAll : m_params.privacy >= 1 ? 1 : 0);
    // Even "*" goes to the notes loader as a search: a search lists the
    // notes of every folder, open or closed.
    notes.SetCompareString(m_pattern.Text().c_str(), m_pattern.Anywhere(),
                           m_params.noteBodies != 0 && !m_pattern.MatchAll(), m_pattern.Wildcard());
    CeManualEvent stop(false);
    notes.NotesThreadProc(m_pStop ? m_pStop : &stop, false);
    for (const auto& row : notes.GetDataList()) {
        if (Stopping()) break;
        if (row->folder || row->kind == kNoteKindFolder || !row->path || !*static_cast<const WCHAR*>(row->path))
            continue;
        const WCHAR* categories = row->categories;
        if (!CategoryFilterHighLevel(categories, &m_categoryRestrict)) continue;
        if (Bounded() && !WithinBounds(row->created)) continue;
        int icon = 207;
        switch (row->kind) {
            case kNoteKindVoice:
                icon = 267;
                break;
            case kNoteKindPmi:
                icon = 328;
                break;
            case kNoteKindDatabase:
                icon = 322;
                break;
            default:
                break;
        }
        DATAGENERAL* hit = AddHit(kSearchKindNote, icon, row->id);
        const WCHAR* name = row->name;
        hit->displayText = HitText(name ? name : u"");
        const WCHAR* path = row->path;
        hit->furtherText = path ? HitText(path) : nullptr;
        if (categories && *categories) hit->categoryText = HitText(categories);
        hit->importance = static_cast<DWORD>(row->kind);
        hit->isPrivate = row->isPrivate ? 1 : 0;
        hit->date = OleOfUnits(platform::FileTimeValue(row->created));
        ++m_noteHits;
        ReportLoaderData(m_hNotify, LOADER_DATA_PROGRESS, m_list.GetCount(), false);
    }
}

// ---- journal ----

bool CSearchThread::JournalCheck(CeDbRecord* record)
{
    if (m_pattern.MatchAll()) return true;
    WCHAR* buffer = m_fieldBuffer.get();
    for (int i = 0; i < kJournalTextCount; ++i) {
        const WCHAR* text = TextAt(*record, i);
        if (!text || !*text) continue;
        size_t used = 0;
        buffer[0] = 0;
        AppendField(buffer, used, kSearchFieldChars, text);
        if (m_pattern.MatchFieldQuickly(buffer, false)) return true;
    }
    return SearchNote(record->GetProps(), kJournalNotesIndex);
}

void CSearchThread::ReadJournal()
{
    ULONG ids[std::size(kJournalSearchProps)];
    std::copy(std::begin(kJournalSearchProps), std::end(kJournalSearchProps), ids);
    WalkStore(kJournalDatabase, static_cast<USHORT>(std::size(ids)), ids, [this](CeDbRecord& record) {
        if (record.GetCount() < std::size(kJournalSearchProps)) return;
        const WCHAR* categories = TextAt(record, 2);
        if (!CategoryFilterHighLevel(categories, &m_categoryRestrict)) return;
        unsigned long long when = 0;
        const bool dated = FileTimeAt(record, kJournalStartIndex, when) || FileTimeAt(record, kJournalCreatedIndex, when);
        if (Bounded() && (!dated || !WithinBounds(platform::MakeFileTime(when)))) return;
        if (!JournalCheck(&record)) return;
        DATAGENERAL* hit = AddHit(kSearchKindJournal, kSearchIconJournal, record.GetOid());
        const WCHAR* subject = TextAt(record, 0);
        const WCHAR* type = TextAt(record, 1);
        m_line.clear();
        if (dated) {
            hit->date = OleOfUnits(when);
            m_line.append(u"[").append(ShortDate(hit->date)).append(u"] ");
        }
        m_line.append(u"<B>").append(subject && *subject ? subject : type ? type : u"").append(u"</B>");
        hit->displayText = HitText(m_line);
        if (categories && *categories) hit->categoryText = HitText(categories);
        const CEBLOB notes = BlobAt(record, kJournalNotesIndex);
        hit->hasNote = notes.dwCount > 0 ? 1 : 0;
        ++m_journalHits;
    });
}
