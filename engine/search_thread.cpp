// CSearchThread: parameters, matching, sorting and the load. The stores are
// read in search_thread_stores.cpp.
#include "engine/search_thread.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/calendar_day_numbers.h"
#include "engine/collation_key_cache.h"
#include "engine/note_blob_text.h"
#include "engine/scoped_data_lock.h"
#include "platform/kernel/tick.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/locale/locale_info.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

namespace {

int CompareText(const WCHAR* a, const WCHAR* b, DWORD flags)
{
    return CompareStringW(LOCALE_USER_DEFAULT, flags, a ? a : u"", -1, b ? b : u"", -1) - CSTR_EQUAL;
}

// The bound of a day number as FILETIME units of its midnight; 0 for "no date".
unsigned long long BoundOf(double date)
{
    if (date == kSearchNoDate || !std::isfinite(date)) return 0;
    return calendar_days::FileTimeOfDay(static_cast<std::int64_t>(std::floor(date)));
}

// The short dates of the days earlier searches showed, with the locale they
// were written in (its name and short-date picture): a search takes them
// when it starts in that locale and gives them back, with its own, when it
// ends. A search that starts while another holds them writes its own.
struct KeptShortDates {
    std::mutex lock;
    std::u16string locale;
    std::unordered_map<std::int64_t, std::u16string> texts;
};

KeptShortDates& ShortDatesKept()
{
    static KeptShortDates kept;
    return kept;
}

// More days than a store's dates span in practice; beyond, a search keeps
// only its own.
constexpr size_t kMaxKeptShortDates = 1u << 16;

std::u16string ShortDateLocale()
{
    WCHAR picture[128] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, static_cast<int>(std::size(picture)));
    return Utf8ToWide(platform::UserLocaleName()) + u'\n' + picture;
}

}  // namespace

// The first buffer of a load's hit arena; later ones grow geometrically.
constexpr size_t kHitArenaFirstBytes = 64 * 1024;

CSearchThread::CSearchThread() : m_hitArena(std::make_unique<std::pmr::monotonic_buffer_resource>(kHitArenaFirstBytes))
{
    m_list.SetDeletePolicy(1);
    SetSettingsKey(kSearchSettingsKey);
}

CSearchThread::~CSearchThread()
{
    // PostKill is ours: the thread must stop while this object is whole.
    Stop(true);
    m_list.RemoveAll();
}

bool CSearchThread::SetParams(const _KSSEARCH* params)
{
    m_text.clear();
    m_code.clear();
    m_pattern.Clear();
    m_bParamsValid = false;
    m_params = params ? *params : _KSSEARCH{};
    m_params.searchText = nullptr;
    m_params.soundexCode = nullptr;
    m_params.textLength = 0;
    if (!params) return false;
    if (!m_pattern.Prepare(params->searchText, params->anywhere != 0, params->soundex != 0)) {
        m_params.soundex = 0;
        return false;
    }
    m_text = m_pattern.Text();
    m_params.searchText = m_text.data();
    m_params.textLength = static_cast<DWORD>(m_text.size());
    if (m_pattern.UsesSoundex()) {
        m_code = m_pattern.Code();
        m_params.soundexCode = m_code.data();
    } else {
        m_params.soundex = 0;
    }
    m_bParamsValid = true;
    return true;
}

void CSearchThread::SetSortOverride(unsigned long key, int descending)
{
    m_sortOverride = key;
    m_sortOverrideDescending = descending;
}

void CSearchThread::InitStatVars()
{
    m_contactHits = m_taskHits = m_appointmentHits = m_noteHits = m_journalHits = 0;
}

void CSearchThread::SettingChange() { ReadCategoryRestrictSettings(); }

void CSearchThread::ClearHits()
{
    // The list ends its hits first: their memory goes with the arena.
    m_list.RemoveAll();
    m_groupTexts.clear();
    m_hitArena->release();
}

int CSearchThread::Soundex(const WCHAR* word) { return SoundexCode(word, m_soundex); }

WCHAR* CSearchThread::OnlyPhone(const WCHAR* text)
{
    const size_t length = text ? wcslen(text) : 0;
    auto* digits = static_cast<WCHAR*>(std::malloc((length + 1) * sizeof(WCHAR)));
    if (!digits) return nullptr;
    size_t n = 0;
    for (size_t i = 0; i < length; ++i)
        if (text[i] >= u'0' && text[i] <= u'9') digits[n++] = text[i];
    digits[n] = 0;
    return digits;
}

bool CSearchThread::SearchText(WCHAR* text, const CEPROPVAL* props, int noteIndex, int searchNote, int soundex)
{
    // The quick look rules out most fields before anything is lower-cased,
    // and decides a plain text found in a field of plain ASCII.
    if (m_pattern.MatchFieldQuickly(text, soundex != 0)) return true;
    return searchNote && noteIndex >= 0 && props && SearchNote(props, noteIndex);
}

bool CSearchThread::SearchNote(const CEPROPVAL* props, int index)
{
    if (!props || index < 0) return false;
    const CEPROPVAL& entry = props[index];
    if ((entry.wFlags & CEDB_PROPNOTFOUND) || TypeFromPropID(entry.propid) != CEVT_BLOB) return false;
    const CEBLOB& blob = entry.val.blob;
    if (blob.dwCount < 3 || !blob.lpb) return false;
    // Ink and rich text are converted by the ink control: a pause first, so
    // that a search over many notes never starves the other threads.
    if (GetBlobFormat(blob.lpb, blob.dwCount) != kNoteBlobText) Sleep(1);
    if (!m_noteBuffer) m_noteBuffer = std::make_unique<WCHAR[]>(kSearchNoteChars);
    if (NoteBlobText(blob.lpb, blob.dwCount, m_noteBuffer.get(), kSearchNoteChars) == 0) return false;
    return m_pattern.MatchNoteText(m_noteBuffer.get());
}

// ---- sorting ----

void CSearchThread::SortDataList()
{
    DWORD key = kSearchSortSubject;
    DWORD descending = 1;
    if (m_sortOverride != 0) {
        key = m_sortOverride;
        descending = m_sortOverrideDescending != 0 ? 1 : 0;
    } else {
        CRegistry settings;
        if (settings.Exists(HKEY_CURRENT_USER, GetSettingsKey()) == 1) {
            ULONG value = 0;
            if (settings.QueryValue(u"dwSort", &value) == 0) key = value;
            if (settings.QueryValue(u"bDescending", &value) == 0) descending = value;
        }
    }
    // The list is sorted by collation keys made once per hit, not by a
    // locale comparison per pair of hits (texts whose keys tie are compared
    // whole).
    SortByKeys(key, descending ? -1 : 1);
}

namespace {

// What the sort knows of one hit.
struct SortEntry {
    DATAGENERAL* hit = nullptr;
    int group = 0;  // rank of the group text among the hits' group texts
    // Collation keys (null: none could be made) and their first eight bytes.
    const std::string* subject = nullptr;   // of the display text (word sort)
    const std::string* category = nullptr;  // of the category text
    std::uint64_t subjectHead = 0, categoryHead = 0;
};

// The keys of the hits' texts, kept from one search to the next: a search
// run again, or narrowed, finds mostly the same items, and a key costs far
// more than looking it up. One cache per comparison; a sort holds the lock
// while it uses their keys, and a sort that finds them held makes its own.
struct SearchKeyCaches {
    std::mutex lock;
    CollationKeyCache subjects;    // SORT_STRINGSORT
    CollationKeyCache categories;  // flags 0
};

SearchKeyCaches& KeyCaches()
{
    static SearchKeyCaches caches;
    return caches;
}

// Texts by their collation keys; keys that tie (or could not be made) fall
// back to comparing the texts whole. A cache holds one key per text: one key
// is one text, equal to itself.
int KeyedText(const std::string* keyA, std::uint64_t headA, const std::string* keyB, std::uint64_t headB,
              const WCHAR* a, const WCHAR* b, DWORD flags)
{
    if (keyA && keyA == keyB) return 0;
    if (keyA && keyB) {
        if (headA != headB) return headA < headB ? -1 : 1;
        const int order = keyA->compare(*keyB);
        if (order != 0) return order < 0 ? -1 : 1;
    }
    return CompareText(a, b, flags);
}

// The order of the hits: by store (group text, ascending whatever the
// direction), then by the key times the direction, then by display text
// (word sort) times the direction (1 or -1), then by OID.
//   key 1: private before or after not private; 2: date; 3: category text,
//   hits without categories after those with; any other: display text only.
int CompareEntries(const SortEntry& ka, const SortEntry& kb, DWORD key, int direction)
{
    const DATAGENERAL* a = ka.hit;
    const DATAGENERAL* b = kb.hit;
    if (ka.group != kb.group) return ka.group < kb.group ? -1 : 1;
    switch (key) {
        case kSearchSortCategories: {
            const bool hasA = a->categoryText && *a->categoryText, hasB = b->categoryText && *b->categoryText;
            if (hasA != hasB) return hasA ? -1 : 1;
            if (hasA) {
                const int text = KeyedText(ka.category, ka.categoryHead, kb.category, kb.categoryHead,
                                           a->categoryText, b->categoryText, 0) *
                                 direction;
                if (text != 0) return text;
            }
            break;
        }
        case kSearchSortSensitivity: {
            const int difference =
                (static_cast<SHORT>(a->isPrivate) - static_cast<SHORT>(b->isPrivate)) * direction;
            if (difference != 0) return difference;
            break;
        }
        case kSearchSortDate:
            if (a->date != b->date) return (a->date < b->date ? -1 : 1) * direction;
            break;
        default:
            break;
    }
    const int text = KeyedText(ka.subject, ka.subjectHead, kb.subject, kb.subjectHead, a->displayText,
                               b->displayText, SORT_STRINGSORT) *
                     direction;
    if (text != 0) return text;
    return a->oid < b->oid ? -1 : a->oid > b->oid ? 1 : 0;
}

}  // namespace

void CSearchThread::SortByKeys(DWORD key, int direction)
{
    // The group texts are few (one per store): each distinct text is found
    // by a plain comparison, and the distinct texts are ranked once by the
    // locale's.
    std::vector<const WCHAR*> groups;
    std::vector<SortEntry> entries;
    entries.reserve(static_cast<size_t>(m_list.GetCount()));
    size_t nulls = 0;
    // The hits of one store follow one another and share one group text:
    // the previous hit's group is tried first, by its address.
    size_t index = 0;
    for (DATAGENERAL* hit : m_list) {
        if (!hit) {
            ++nulls;
            continue;
        }
        const WCHAR* group = hit->groupText ? hit->groupText : u"";
        if (index >= groups.size() || groups[index] != group) {
            index = 0;
            while (index < groups.size() && wcscmp(groups[index], group) != 0) ++index;
        }
        if (index == groups.size()) groups.push_back(group);
        entries.emplace_back().hit = hit;
        entries.back().group = static_cast<int>(index);
    }
    std::vector<int> order(groups.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return CompareText(groups[a], groups[b], 0) < 0; });
    std::vector<int> rank(groups.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const bool same = i > 0 && CompareText(groups[order[i - 1]], groups[order[i]], 0) == 0;
        rank[order[i]] = same ? rank[order[i - 1]] : static_cast<int>(i);
    }

    const LocaleComparer words(LOCALE_USER_DEFAULT, SORT_STRINGSORT);
    const LocaleComparer plain(LOCALE_USER_DEFAULT, 0);
    // Another search sorting now keeps the shared keys: this one makes its
    // own rather than wait.
    SearchKeyCaches& shared = KeyCaches();
    std::unique_lock keysHeld(shared.lock, std::try_to_lock);
    SearchKeyCaches own;
    SearchKeyCaches& caches = keysHeld.owns_lock() ? shared : own;
    caches.subjects.Begin(words);
    if (key == kSearchSortCategories) caches.categories.Begin(plain);
    for (SortEntry& entry : entries) {
        DATAGENERAL* hit = entry.hit;
        entry.group = rank[entry.group];
        entry.subject = caches.subjects.KeyOf(words, hit->displayText ? hit->displayText : u"");
        if (entry.subject) entry.subjectHead = CollationKeyCache::HeadOf(*entry.subject);
        if (key == kSearchSortCategories && hit->categoryText && *hit->categoryText) {
            entry.category = caches.categories.KeyOf(plain, hit->categoryText);
            if (entry.category) entry.categoryHead = CollationKeyCache::HeadOf(*entry.category);
        }
    }
    // Pointers are sorted: the entries with their keys never move.
    std::vector<const SortEntry*> sorted(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) sorted[i] = &entries[i];
    std::stable_sort(sorted.begin(), sorted.end(),
              [key, direction](const SortEntry* a, const SortEntry* b) {
                  return CompareEntries(*a, *b, key, direction) < 0;
              });
    // The list keeps its hits; only their places change (missing ones last).
    auto slot = m_list.begin();
    for (const SortEntry* entry : sorted) *slot++ = entry->hit;
    for (size_t i = 0; i < nulls; ++i) *slot++ = nullptr;
    caches.subjects.End();
    caches.categories.End();
}

// ---- the load ----

DWORD CSearchThread::ThreadProc()
{
    return RunLoaderProtocol(
        m_hNotify, [] { return true; }, [this](CeManualEvent* stop) { return SearchThreadProc(stop); });
}

DWORD CSearchThread::SearchThreadProc(CeManualEvent* stop)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return 0;
    if (!m_params.searchText) {
        // Nothing to search for: an empty list, reported as such.
        ClearHits();
        InitStatVars();
        lock.Unlock();
        return 0;
    }
    SetupThreadResources();
    if (m_hNotify)
        SettingChange();
    else
        m_categoryRestrict.SetSelected(nullptr);
    ClearHits();
    InitStatVars();
    const std::u16string dateLocale = ShortDateLocale();
    m_shortDates.clear();
    {
        KeptShortDates& kept = ShortDatesKept();
        std::lock_guard hold(kept.lock);
        if (kept.locale == dateLocale) m_shortDates.swap(kept.texts);
    }
    m_fieldBuffer = std::make_unique<WCHAR[]>(kSearchFieldChars);
    if (m_params.noteBodies || m_params.journal) m_noteBuffer = std::make_unique<WCHAR[]>(kSearchNoteChars);
    m_fromTime = BoundOf(m_params.from);
    m_toTime = BoundOf(m_params.to);
    m_pStop = stop;

    if (!m_params.noSideDatabases) InitiateLinksDB();
    if (m_params.contacts && !Stopping()) ReadContacts();
    if (m_params.tasks && !Stopping()) ReadTasks();
    if (m_params.calendar && !Stopping()) ReadCalendar();
    CloseLinksDB();
    if (m_params.notes && !Stopping()) ReadNotes();
    if (m_params.journal && !Stopping()) ReadJournal();

    m_fieldBuffer.reset();
    m_noteBuffer.reset();
    if (m_pMainDB) m_pMainDB->Close();
    m_pStop = nullptr;
    // Dates written after a locale change mid-search are not kept under the
    // locale the search began with.
    if (m_shortDates.size() <= kMaxKeptShortDates && ShortDateLocale() == dateLocale) {
        KeptShortDates& kept = ShortDatesKept();
        std::lock_guard hold(kept.lock);
        kept.locale = dateLocale;
        kept.texts.swap(m_shortDates);
    }
    m_shortDates.clear();
    SortDataList();
    const LPARAM hits = m_list.GetCount();
    lock.Unlock();
    ReportLoaderData(m_hNotify, LOADER_DATA_COMPLETE, hits, true);
    return 1;
}

void CSearchThread::PostKill()
{
    m_pStop = nullptr;
    CKSDataThread::PostKill();
    if (m_hNotify) PostMessageW(m_hNotify, WM_LOADER_END, 0, 0);
}
