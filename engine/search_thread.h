// CSearchThread: searches contacts, tasks, appointments, notes and journal
// entries for a typed text on its worker thread, one DATAGENERAL per hit.
//
// Each store is chosen separately; a search may be restricted to a date
// range, to private or non-private items, to complete or incomplete tasks,
// to the loader's categories and to certain fields (the field scope). The
// text matches anywhere or at the start of a field, may hold the wildcards
// "*" and "?", and names may be compared by Soundex code (SearchPattern).
// Note bodies are searched too when asked: ink and rich-text notes are
// converted to text first, with a 1 ms pause before each conversion so that
// a long search leaves the device's other threads their time.
//
// The hits are sorted by store (their group text, the store's icon) and
// then by the chosen key; stores never interleave.
//
// Threads: the load runs on the worker under the data lock, taken without
// waiting; the window reads GetDataList after WM_LOADER_DATA (complete).
// The notes part runs a notes loader synchronously on the same thread.
#pragma once

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/data_general.h"
#include "engine/ks_data_thread.h"
#include "engine/search_hit.h"
#include "engine/search_pattern.h"
#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "storage/ce_db_record.h"

inline constexpr const WCHAR* kSearchSettingsKey = u"Software\\Corvid\\Kestrel\\SV";

// Field scopes (the command numbers of the field choice).
inline constexpr DWORD kSearchFieldsAll = 42492;
inline constexpr DWORD kSearchFieldsLocation = 42493;
inline constexpr DWORD kSearchFieldsNames = 42494;  // tasks and appointments: the subject
inline constexpr DWORD kSearchFieldsName1 = 42495;
inline constexpr DWORD kSearchFieldsName2 = 42496;
inline constexpr DWORD kSearchFieldsName3 = 42497;
inline constexpr DWORD kSearchFieldsText = 42498;
inline constexpr DWORD kSearchFieldsPhones = 42499;

// Kinds of hits.
inline constexpr DWORD kSearchKindContact = 2;
inline constexpr DWORD kSearchKindAppointment = 3;
inline constexpr DWORD kSearchKindTask = 4;
inline constexpr DWORD kSearchKindNote = 5;
inline constexpr DWORD kSearchKindJournal = 6;

// Icon numbers of the group texts ("<IMG SRC=%d> ").
inline constexpr int kSearchIconContact = 293;
inline constexpr int kSearchIconTask = 10;
inline constexpr int kSearchIconAppointment = 237;
inline constexpr int kSearchIconJournal = 331;

// Sort keys ("dwSort"); any other key sorts by display text.
inline constexpr DWORD kSearchSortSubject = 0;
inline constexpr DWORD kSearchSortSensitivity = 1;
inline constexpr DWORD kSearchSortDate = 2;
inline constexpr DWORD kSearchSortCategories = 3;

inline constexpr double kSearchNoDate = 949998.0;
// Characters of the field buffer (10240 bytes) and of the note buffer (0x20800 bytes).
inline constexpr int kSearchFieldChars = 10240 / 2;
inline constexpr int kSearchNoteChars = 0x20800 / 2;

// The parameters of one search; SetParams copies them whole.
struct _KSSEARCH {
    WCHAR* searchText = nullptr;  // replaced by the search's own lower-case copy
    WCHAR* soundexCode = nullptr;  // filled by SetParams when Soundex is on
    DWORD unused1 = 0;
    DWORD unused2 = 0;
    DWORD unused3 = 0;
    DWORD textLength = 0;  // filled by SetParams
    DWORD anywhere = 1;
    DWORD journal = 0;
    DWORD contacts = 0;
    DWORD tasks = 0;
    DWORD calendar = 0;
    DWORD notes = 0;
    LONG privacy = -1;     // -1 all, 0 not private, 1 private
    LONG completion = -1;  // tasks: -1 all, 0 incomplete, 1 complete
    DWORD noteBodies = 0;
    DWORD soundex = 0;
    double from = kSearchNoDate;
    double to = kSearchNoDate;
    DWORD fieldScope = kSearchFieldsAll;
    DWORD unused4 = 0;
    DWORD noSideDatabases = 0;
    DWORD unused5 = 0;
};

class KSTOOLS_API CSearchThread : public CKSDataThread {
public:
    CSearchThread();
    ~CSearchThread() override;

    // Takes the parameters and prepares the pattern. False (and the next
    // load finds nothing) when the text is missing or too long.
    bool SetParams(const _KSSEARCH* params);
    const _KSSEARCH& Params() const { return m_params; }
    const SearchPattern& Pattern() const { return m_pattern; }
    // A non-zero key replaces "dwSort" and "bDescending".
    void SetSortOverride(unsigned long key, int descending);
    // Whether stores are first narrowed to the records whose search text
    // holds the text's literal pieces (on by default; off reads every
    // record, the slower way that must find the same hits).
    void SetStorePrefilter(bool on) { m_bPrefilter = on; }
    void InitStatVars();
    // Reads the category restriction and "ShowHasNoteIcons" from the settings key.
    void SettingChange();
    void SetNotifyWindow(HWND window) { m_hNotify = window; }
    HWND GetNotifyWindow() const { return m_hNotify; }

    // Fills the Soundex buffer with word's code; its length.
    int Soundex(const WCHAR* word);
    const WCHAR* SoundexBuffer() const { return m_soundex; }
    // A field (" " + text, or " " + its Soundex code) against the search;
    // then the note at noteIndex of props when searchNote is set.
    bool SearchText(WCHAR* text, const CEPROPVAL* props, int noteIndex, int searchNote, int soundex);
    // The note at index of props (a blob of at least 3 bytes).
    bool SearchNote(const CEPROPVAL* props, int index);
    // A new malloc'ed string of only the digits of text.
    static WCHAR* OnlyPhone(const WCHAR* text);

    // The property lists; their counts.
    static unsigned int SetPropIdsTasks(ULONG* ids);
    static unsigned int SetPropIdsContacts(ULONG* ids);

    // The hits, sorted, after a load. The hits a load made, with their
    // texts, live in the search's arena: the next load, or the search's end,
    // frees them all at once, so a caller copies what it keeps. Hits a
    // caller appends are its own DATAGENERALs, deleted with the list.
    CePtrList<DATAGENERAL*>& GetDataList() { return m_list; }
    int ContactHits() const { return m_contactHits; }
    int TaskHits() const { return m_taskHits; }
    int AppointmentHits() const { return m_appointmentHits; }
    int NoteHits() const { return m_noteHits; }
    int JournalHits() const { return m_journalHits; }

    void SortDataList();
    DWORD ThreadProc() override;
    DWORD SearchThreadProc(CeManualEvent* stop);
    void PostKill() override;

private:
    // Sorts the hits as the comparison of key does, through collation keys;
    // direction -1 reverses it.
    void SortByKeys(DWORD key, int direction);
    void ReadContacts();
    void ReadTasks();
    void ReadCalendar();
    void ReadNotes();
    void ReadJournal();
    bool ContactCheck(const CEPROPVAL* props);
    bool TaskCheck(const CEPROPVAL* props);
    bool ApptCheck(const CEPROPVAL* props);
    bool JournalCheck(CeDbRecord* record);

    // Walks a store, calling visit with each record read; false when stopped.
    // With pieces, only the records whose store search text holds them
    // (flags: CeRestrictToSearchText's); the whole store when the store
    // cannot narrow the walk.
    template <class Visit>
    bool WalkStore(const WCHAR* database, USHORT count, ULONG* ids, Visit visit,
                   const std::vector<std::u16string>& pieces = {}, DWORD flags = 0);
    // The literal pieces that narrow a store walk; none when the text has
    // none or narrowing is off.
    std::vector<std::u16string> NarrowingPieces() const;
    // Walks the records of a store that may hold the text (with prefilter),
    // else the whole store.
    template <class Visit>
    void ReadStore(const WCHAR* database, bool prefilter, DWORD flags, USHORT count, ULONG* ids, Visit visit);
    // Reads the records oids of a store (each found whole by its OID),
    // calling visit with each; a record gone meanwhile is left out.
    template <class Visit>
    void ReadEach(const WCHAR* database, const std::vector<CEOID>& oids, USHORT count, ULONG* ids, Visit visit);
    // Whether a date lies within the bounds set (an unset bound does not limit).
    bool WithinBounds(const FILETIME& date) const;
    bool Bounded() const { return m_fromTime != 0 || m_toTime != 0; }
    bool BothBounds() const { return m_fromTime != 0 && m_toTime != 0; }
    bool PrivacyPasses(bool isPrivate) const;
    // The contact fields of a scope gathered (anywhere) or one by one (start).
    bool MatchContactFields(const CEPROPVAL* props, const int* fields, int count, bool soundexNames, bool phones,
                            bool withNote);
    // Empties the list and releases the hit arena.
    void ClearHits();
    DATAGENERAL* AddHit(DWORD kind, int icon, CEOID oid);
    // A copy of text for a hit, in the hit arena.
    WCHAR* HitText(std::u16string_view text) { return SearchHit::Text(*m_hitArena, text); }
    // The group text of a store's icon ("<IMG SRC=%d> "), made once per
    // load and shared by the store's hits.
    WCHAR* GroupText(int icon);
    // The short date of a day number, formatted once per day and load.
    const std::u16string& ShortDate(double date);
    void SetCategoryText(DATAGENERAL* hit, const CEPROPVAL* blob);
    bool Stopping() const { return m_pStop && StopRequested(m_pStop); }

    HWND m_hNotify = nullptr;
    _KSSEARCH m_params;
    SearchPattern m_pattern;
    std::u16string m_text;  // the search's own copy of the text
    std::u16string m_code;
    bool m_bParamsValid = false;
    bool m_bPrefilter = true;
    WCHAR m_soundex[kSoundexChars] = {};
    std::unique_ptr<WCHAR[]> m_fieldBuffer;  // kSearchFieldChars
    std::unique_ptr<WCHAR[]> m_noteBuffer;   // kSearchNoteChars
    CEPROPVAL* m_readBuffer = nullptr;        // owned by the record being read
    unsigned long long m_fromTime = 0;  // FILETIME units; 0 unbounded
    unsigned long long m_toTime = 0;
    unsigned long m_sortOverride = 0;
    int m_sortOverrideDescending = 0;
    int m_contactHits = 0, m_taskHits = 0, m_appointmentHits = 0, m_noteHits = 0, m_journalHits = 0;
    // The hits of the last load and their texts; released when the list
    // is emptied for the next load (declared first: it outlives the list).
    std::unique_ptr<std::pmr::monotonic_buffer_resource> m_hitArena;
    CePtrList<DATAGENERAL*> m_list;
    CeManualEvent* m_pStop = nullptr;
    // Reused while the stores are read, so a record costs no allocation
    // until it is a hit.
    std::vector<std::pair<int, WCHAR*>> m_groupTexts;  // in the hit arena
    std::unordered_map<std::int64_t, std::u16string> m_shortDates;
    std::u16string m_subject;
    std::u16string m_line;
};
