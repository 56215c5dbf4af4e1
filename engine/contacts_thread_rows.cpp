// The rows of the contact list: one row per cache entry, completed from the
// contact's record, and the order of the display list.
#include <algorithm>
#include <new>

#include "categories/category_blob.h"
#include "engine/contacts_compare.h"
#include "engine/contacts_thread.h"
#include "engine/note_emptiness.h"
#include "platform/objectstore/store_schema.h"

std::u16string CContactsThread::RowName(const CCatCache& entry, int format) const
{
    const std::u16string_view given = CCatCache::View(entry.givenName), surname = CCatCache::View(entry.surname);
    std::u16string name;
    if (format == kContactsGivenFirst || format == kContactsSurnameFirst) {
        const bool givenFirst = format == kContactsGivenFirst;
        const std::u16string_view first = givenFirst ? given : surname, second = givenFirst ? surname : given;
        if (!first.empty() && !second.empty()) {
            name.append(first).append(givenFirst ? u" " : u", ").append(second);
        } else if (!first.empty() || !second.empty()) {
            name = first.empty() ? second : first;
        }
    }
    if (name.empty()) name = CCatCache::View(entry.fileAs);
    // The join buffer holds kContactsNameChars characters with the terminator.
    if (name.size() >= static_cast<size_t>(kContactsNameChars)) name.resize(kContactsNameChars - 1);
    return name;
}

void CContactsThread::FillSecondLine(DATACONTACTS& row, const CeDbRecord& record)
{
    auto textOf = [&](ULONG id) -> const WCHAR* {
        const CEPROPVAL* value = record.Stored(id);
        if (!value || (value->propid & 0xFFFF) != CEVT_LPWSTR || !value->val.lpwstr || !*value->val.lpwstr)
            return nullptr;
        return value->val.lpwstr;
    };
    ULONG shown = 0;
    const WCHAR* text = nullptr;
    if (const CEPROPVAL* preferred = record.Stored(kContactPreferredNumber)) {
        const ULONG id = preferred->val.ulVal;
        // Only a communication field can be the preferred one.
        const bool known =
            std::find(m_rowProps + 2, m_rowProps + m_rowPropCount - 1, id) != m_rowProps + m_rowPropCount - 1;
        if (known && (text = textOf(id)) != nullptr) shown = id;
    }
    for (int i = 2; !text && i < m_rowPropCount; ++i) {
        if (m_rowProps[i] == kContactPreferredNumber) continue;
        if ((text = textOf(m_rowProps[i])) != nullptr) shown = m_rowProps[i];
    }
    row.secondLine = text ? DATACONTACTS::HeapText(GetPrivateHeap(), text) : nullptr;
    row.secondLineField = shown;
}

DATACONTACTS* CContactsThread::AddContactItem(bool* shown, int position, long group, bool insert, bool single)
{
    (void)single;
    if (shown) *shown = false;
    CCatCache* entry = m_pCurrent;
    const bool existing = position >= 0 && static_cast<size_t>(position) < m_list.size() && !insert;
    auto drop = [&]() -> DATACONTACTS* {
        if (existing) m_list[static_cast<size_t>(position)] = nullptr;
        return nullptr;
    };
    if (!entry || (m_bSearch && m_bSearchAll && !CheckContactsSearchCriteria(*entry))) return drop();
    CeDb* db = m_pMainDB;
    CeDbRecord record;
    if (!db || !db->IsOpen() || db->SeekTo(entry->oid) != entry->oid ||
        !db->ReadRec(record, static_cast<USHORT>(m_rowPropCount), m_rowProps))
        return drop();

    if (!GetPrivateHeap()) CreatePrivateHeap(kLoaderHeapInitialSize);
    void* heap = GetPrivateHeap();
    DATACONTACTS* row = existing ? m_list[static_cast<size_t>(position)] : nullptr;
    if (row) {
        ::new (static_cast<void*>(row)) DATACONTACTS();  // a refilled row starts empty
    } else {
        row = new (heap) DATACONTACTS;
        if (!row) return drop();
    }
    row->oid = entry->oid;
    row->cacheEntry = entry;
    row->displayName = DATACONTACTS::HeapText(heap, RowName(*entry, m_settings.RowNameFormat()));
    if (entry->blobSize > 0) {
        BLOB2Categories(entry->Blob(), m_scratchCategories);
        row->categories = CategoryAssembler(m_scratchCategories);
        m_scratchCategories.RemoveAll();
    }
    if (const CEPROPVAL* icon = record.Stored(kContactExtraText)) {
        if ((icon->propid & 0xFFFF) == CEVT_LPWSTR && icon->val.lpwstr && *icon->val.lpwstr)
            row->iconText = DATACONTACTS::HeapText(heap, icon->val.lpwstr);
    }
    const CEPROPVAL* note = record.Stored(kItemNote);
    row->hasNote = note && (note->propid & 0xFFFF) == CEVT_BLOB && !IsNoteEmpty(&note->val.blob) ? 1 : 0;
    if (!m_settings.showNamesOnly) FillSecondLine(*row, record);
    row->groupIndex = group;
    row->hasLinks = HasLinks(row->oid);
    row->hasJournal = HasJournal(row->oid);
    row->filled = 1;

    if (position < 0) {
        m_list.push_back(row);
    } else if (insert) {
        m_list.insert(m_list.begin() + std::min(static_cast<size_t>(position), m_list.size()), row);
    } else if (!existing || m_list[static_cast<size_t>(position)] != row) {
        if (static_cast<size_t>(position) >= m_list.size()) m_list.resize(static_cast<size_t>(position) + 1, nullptr);
        m_list[static_cast<size_t>(position)] = row;
    }
    if (shown) *shown = true;
    return row;
}

void CContactsThread::SortDataList(bool simpleDescending)
{
    if (m_settings.displayFormat == kContactsFileAs) return;
    if (simpleDescending) {
        std::stable_sort(m_list.begin(), m_list.end(),
                         [](const DATACONTACTS* a, const DATACONTACTS* b) { return CompareFuncSimple(b, a) < 0; });
    } else {
        std::stable_sort(m_list.begin(), m_list.end(),
                         [](const DATACONTACTS* a, const DATACONTACTS* b) { return CompareFunc(a, b) < 0; });
    }
}
