// The group views of the contact list: headers built from the distinct
// grouping values (or categories), their member counts, and the opening
// and closing of headers.
#include <algorithm>
#include <string>

#include "categories/category_blob.h"
#include "engine/contacts_compare.h"
#include "engine/contacts_thread.h"

namespace {

// The text of the header of contacts without a grouping value.
constexpr std::u16string_view kNoValueHeaderText = u"(none)";
// Header OIDs other than the no-value header's: this plus the header's
// number. No contact row is ever looked up by a header's OID.
constexpr DWORD kHeaderOidBase = 0x80000000;

bool HasCategory(const CEBLOB& blob, int index)
{
    const DWORD byte = static_cast<DWORD>(index) / 32 * 4;
    if (index < 0 || blob.dwCount < byte + 4 || !blob.lpb) return false;
    return (blob.lpb[byte + (index % 32) / 8] >> (index % 8)) & 1;
}

std::u16string CountText(long count)
{
    const std::string digits = std::to_string(count);
    std::u16string text = u"(";
    text.append(digits.begin(), digits.end());
    return text + u")";
}

}  // namespace

CContactsThread::Header* CContactsThread::FindHeader(DWORD oid)
{
    for (Header& header : m_headers) {
        if (header.row && header.row->oid == oid) return &header;
    }
    return nullptr;
}

void CContactsThread::SetGroupHeaderOpen(const DATACONTACTS* header, bool open)
{
    if (!header) return;
    const std::u16string text = header->displayName ? header->displayName : u"";
    if (open) {
        m_openHeaders.insert(text);
    } else {
        m_openHeaders.erase(text);
    }
}

bool CContactsThread::IsGroupHeaderOpen(const DATACONTACTS* header) const
{
    return header && m_openHeaders.count(header->displayName ? header->displayName : u"") > 0;
}

bool CContactsThread::IsMember(const Header& header, const CCatCache& entry) const
{
    if (m_lastFormat == kContactsByCategory) {
        const CEBLOB blob = entry.Blob();
        if (header.category >= 0) return HasCategory(blob, header.category);
        // The no-category header: no category that has a header of its own.
        return std::none_of(m_headers.begin(), m_headers.end(), [&](const Header& other) {
            return other.category >= 0 && HasCategory(blob, other.category);
        });
    }
    const std::u16string_view value = CCatCache::View(entry.groupValue);
    if (header.row->oid == kContactsNoValueHeaderOid) return value.empty();
    return !value.empty() && SameContactGroup(value, header.text);
}

void CContactsThread::MakeHeaders(bool categories)
{
    m_headers.clear();
    void* heap = GetPrivateHeap();
    const std::vector<CCatCache*> walk = WalkOrder();
    struct Found {
        std::u16string text;
        int category;
        size_t first, end;  // the run of members in walk (group values stand together)
    };
    std::vector<Found> found;
    size_t noValueFirst = walk.size(), noValueEnd = 0;
    if (categories) {
        std::vector<bool> seen(kCategoryIndexLimit, false);
        for (const CCatCache* entry : walk) {
            BLOB2Categories(entry->Blob(), m_scratchCategories);
            for (unsigned int index : m_scratchCategories) {
                if (index < seen.size()) seen[index] = true;
            }
            m_scratchCategories.RemoveAll();
        }
        for (int index = 0; index < kCategoryIndexLimit; ++index) {
            if (!seen[static_cast<size_t>(index)]) continue;
            m_scratchCategories.Append(static_cast<unsigned int>(index));
            WCHAR* name = CategoryAssembler(m_scratchCategories);
            m_scratchCategories.RemoveAll();
            // A bit that names no category (a blob from elsewhere) makes no header.
            if (name && *name) found.push_back(Found{name, index, 0, walk.size()});
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const Found& a, const Found& b) { return CompareContactTextLoose(a.text, b.text) < 0; });
    } else {
        for (size_t i = 0; i < walk.size(); ++i) {
            const std::u16string_view value = CCatCache::View(walk[i]->groupValue);
            if (value.empty()) {
                noValueFirst = std::min(noValueFirst, i);
                noValueEnd = i + 1;
            } else if (found.empty() || !SameContactGroup(found.back().text, value)) {
                found.push_back(Found{std::u16string(value), -1, i, i + 1});
            } else {
                found.back().end = i + 1;
            }
        }
    }
    auto add = [&](std::u16string_view text, DWORD oid, int category, size_t first, size_t end) {
        auto* row = new (heap) DATACONTACTS;
        if (!row) return;
        row->oid = oid;
        row->header = 1;
        row->displayName = DATACONTACTS::HeapText(heap, text);
        row->expanded = IsGroupHeaderOpen(row) ? 1 : 0;
        row->groupIndex = static_cast<LONG>(m_headers.size());
        row->filled = 1;
        m_headers.push_back(Header{row, std::u16string(text), category, first, end});
    };
    if (noValueEnd > 0) add(kNoValueHeaderText, kContactsNoValueHeaderOid, -1, noValueFirst, noValueEnd);
    for (const Found& f : found) {
        add(f.text, kHeaderOidBase + static_cast<DWORD>(m_headers.size()), f.category, f.first, f.end);
    }
    // In the category view the no-category header comes last, once the
    // categories are known.
    if (categories) add(kNoValueHeaderText, kContactsNoValueHeaderOid, -1, 0, walk.size());
}

long CContactsThread::AddMembers(Header& header, bool countOnly, const std::vector<CCatCache*>& walk, size_t first,
                                 size_t end)
{
    const bool add = !countOnly || header.row->expanded || (m_settings.openOnCompare && m_bSearch);
    long count = 0;
    bool shown = false;
    for (size_t i = first; i < end && i < walk.size(); ++i) {
        CCatCache* entry = walk[i];
        if (!IsMember(header, *entry)) continue;
        if (m_bSearch && !(m_bSearchAll ? CheckContactsSearchCriteria(*entry) : MatchesTypedPrefix(*entry))) continue;
        ++count;
        if (!add) continue;
        SetCurrentEntry(entry);
        AddContactItem(&shown, -1, header.row->groupIndex, false, false);
    }
    if (add && count > 0) header.row->expanded = 1;
    header.row->memberCount = count;
    header.row->secondLine = DATACONTACTS::HeapText(GetPrivateHeap(), CountText(count));
    return count;
}

DWORD CContactsThread::ThreadProc_GroupBy(CeManualEvent* stop, bool categories)
{
    ClearData();
    MakeHeaders(categories);
    const std::vector<CCatCache*> walk = WalkOrder();
    std::vector<Header> kept;
    for (Header& header : m_headers) {
        if (Stopping(stop)) return 0;
        if (AddMembers(header, true, walk, header.first, header.end) == 0) continue;
        m_list.push_back(header.row);
        kept.push_back(header);
    }
    m_headers = std::move(kept);
    SortDataList(false);
    m_totalRecords = static_cast<long>(m_list.size());
    Report(LOADER_DATA_COMPLETE, m_totalRecords, false);
    return 1;
}

long CContactsThread::TreeAddList(DWORD headerOid, long position, bool countOnly)
{
    (void)position;  // members take their place by the display order
    long count = -1;
    {
        DataLockWait lock(m_dataLock);
        Header* header = FindHeader(headerOid);
        if (!header) return -1;
        if (!countOnly) {
            // Members already listed are built again, not twice.
            const LONG group = header->row->groupIndex;
            std::erase_if(m_list,
                          [group](const DATACONTACTS* row) { return row && !row->header && row->groupIndex == group; });
        }
        const bool open = OpenContactsDatabase();
        InitiateLinksDB();
        // The cache may have changed since the load: every entry is tried.
        const std::vector<CCatCache*> walk = WalkOrder();
        if (open) count = AddMembers(*header, countOnly, walk, 0, walk.size());
        if (!countOnly) SetGroupHeaderOpen(header->row, true);
        CloseLinksDB();
        if (m_pMainDB) m_pMainDB->Close();
        SortDataList(false);
        m_totalRecords = static_cast<long>(m_list.size());
    }
    if (!countOnly) ReportRows(false);
    return count;
}

void CContactsThread::TreeDeleteList(DWORD headerOid)
{
    {
        DataLockWait lock(m_dataLock);
        Header* header = FindHeader(headerOid);
        if (!header) return;
        const LONG group = header->row->groupIndex;
        std::erase_if(m_list,
                      [group](const DATACONTACTS* row) { return row && !row->header && row->groupIndex == group; });
        header->row->expanded = 0;
        SetGroupHeaderOpen(header->row, false);
        m_totalRecords = static_cast<long>(m_list.size());
    }
    ReportRows(false);
}
