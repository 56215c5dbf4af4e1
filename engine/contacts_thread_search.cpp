// The typed search of the contact list: names that begin with the typed
// letters (ignoring case and accents), or every field searched word by word.
#include <string>

#include "engine/contacts_compare.h"
#include "engine/contacts_thread.h"
#include "foundation/string_functions.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"

namespace {

// The stored fields the all-fields search reads when the names do not
// decide: the names and company again (their full text), then everything a
// person may remember of a contact.
constexpr ULONG kSearchFields[] = {
    kContactTitle,
    kContactMiddleName,
    kContactSuffix,
    kContactJobTitle,
    kContactDepartment,
    kContactOfficeLocation,
    kContactAssistantName,
    kContactSpouse,
    kContactChildren,
    kContactHomeAddressStreet,
    kContactHomeAddressCity,
    kContactHomeAddressState,
    kContactHomeAddressPostalCode,
    kContactHomeAddressCountry,
    kContactBusinessAddressStreet,
    kContactBusinessAddressCity,
    kContactBusinessAddressState,
    kContactBusinessAddressPostalCode,
    kContactBusinessAddressCountry,
    kContactOtherAddressStreet,
    kContactOtherAddressCity,
    kContactOtherAddressState,
    kContactOtherAddressPostalCode,
    kContactOtherAddressCountry,
    kContactHomeTelephoneNumber,
    kContactHome2TelephoneNumber,
    kContactHomeFaxNumber,
    kContactBusinessTelephoneNumber,
    kContactBusiness2TelephoneNumber,
    kContactBusinessFaxNumber,
    kContactRadioTelephoneNumber,
    kContactMobileTelephoneNumber,
    kContactPagerNumber,
    kContactCarTelephoneNumber,
    kContactAssistantTelephoneNumber,
    kContactEmail1Address,
    kContactEmail2Address,
    kContactEmail3Address,
    kContactWebPage,
    kContactExtraText,
};

std::u16string Upper(std::u16string_view text)
{
    std::u16string upper(text);
    for (WCHAR& c : upper) c = towupper(c);
    return upper;
}

}  // namespace

bool CContactsThread::SetCompareString(const WCHAR* text, bool allFields, int namesOnly)
{
    if (!text || !*text) {
        ClearCompareString();
        return false;
    }
    m_searchText = Upper(text);
    m_bSearch = true;
    m_bSearchAll = allFields;
    m_searchNamesOnly = namesOnly;
    m_searchWords.clear();
    size_t begin = 0;
    while (begin <= m_searchText.size()) {
        size_t space = m_searchText.find(u' ', begin);
        if (space == std::u16string::npos) space = m_searchText.size();
        if (space > begin) m_searchWords.push_back(m_searchText.substr(begin, space - begin));
        begin = space + 1;
    }
    return true;
}

void CContactsThread::ClearCompareString()
{
    m_bSearch = false;
    m_bSearchAll = false;
    m_searchNamesOnly = 0;
    m_searchText.clear();
    m_searchWords.clear();
}

bool CContactsThread::PrefixMatches(const CCatCache& entry, std::u16string_view prefix, bool sortNameOnly) const
{
    if (sortNameOnly && prefix.size() == 1) {
        const int format = m_settings.RowNameFormat();
        std::u16string_view name = CCatCache::View(entry.fileAs);
        if (format == kContactsGivenFirst || format == kContactsSurnameFirst) {
            const std::u16string_view key =
                CCatCache::View(format == kContactsGivenFirst ? entry.givenName : entry.surname);
            if (!key.empty()) name = key;
        }
        return ContactNameHasPrefix(name, prefix);
    }
    for (BSTR name : {entry.givenName, entry.surname, entry.fileAs}) {
        if (ContactNameHasPrefix(CCatCache::View(name), prefix)) return true;
    }
    return false;
}

int CContactsThread::FindCatCacheItem(const std::vector<CCatCache*>& walk, std::u16string_view prefix, int start,
                                      bool sortNameOnly) const
{
    for (size_t i = start < 0 ? 0 : static_cast<size_t>(start); i < walk.size(); ++i) {
        if (PrefixMatches(*walk[i], prefix, sortNameOnly)) return static_cast<int>(i);
    }
    return -1;
}

bool CContactsThread::MatchesTypedPrefix(const CCatCache& entry) const
{
    return !m_bSearch || PrefixMatches(entry, m_searchText, m_searchNamesOnly != 0);
}

bool CContactsThread::CheckContactsSearchCriteria(const CCatCache& entry)
{
    if (!m_bSearch) return true;
    const std::u16string names[] = {Upper(CCatCache::View(entry.fileAs)), Upper(CCatCache::View(entry.groupValue)),
                                    Upper(CCatCache::View(entry.givenName)), Upper(CCatCache::View(entry.surname)),
                                    Upper(CCatCache::View(entry.company))};
    bool everyWord = !m_searchWords.empty();
    for (const std::u16string& word : m_searchWords) {
        bool found = false;
        for (const std::u16string& name : names) found = found || name.find(word) != std::u16string::npos;
        everyWord = everyWord && found;
    }
    if (everyWord) return true;

    CeDb* db = m_pMainDB;
    CeDb own;
    if (!db || !db->IsOpen()) {
        if (!own.Open(kContactsDatabase, kContactFileAs, 0, nullptr)) return false;
        db = &own;
    }
    CeDbRecord record;
    ULONG ids[std::size(kSearchFields)];
    std::copy(std::begin(kSearchFields), std::end(kSearchFields), ids);
    if (db->SeekTo(entry.oid) != entry.oid || !db->ReadRec(record, static_cast<USHORT>(std::size(ids)), ids))
        return false;
    for (int i = 0; i < record.GetCount(); ++i) {
        const CEPROPVAL* value = record.StoredAt(i);
        if (!value || (value->propid & 0xFFFF) != CEVT_LPWSTR || !value->val.lpwstr) continue;
        const std::u16string text = Upper(value->val.lpwstr);
        if (text.find(m_searchText) != std::u16string::npos) return true;
        std::u16string dialable(text.size() + 1, u'\0');
        CopyPhone(dialable.data(), text.c_str());
        dialable.resize(std::char_traits<char16_t>::length(dialable.c_str()));
        if (dialable.find(m_searchText) != std::u16string::npos) return true;
    }
    return false;
}
