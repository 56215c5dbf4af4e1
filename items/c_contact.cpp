// CContact: opening, loading, saving, file-as names and the picture.
#include "items/c_contact.h"

#include <cstdlib>
#include <cstring>

#include "categories/pim_record_categories.h"
#include "items/c_links.h"
#include "items/c_task_settings.h"
#include "items/contact_field_table.h"
#include "platform/files/files.h"
#include "platform/files/find_files.h"
#include "platform/files/special_folders.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "storage/c_outlook.h"
#include "platform/ui/ui_host.h"
#include "storage/corvid_directory.h"

using task_item::ShowString;

namespace {

bool IsNoDate(double date) { return task_item::IsNoDate(date) || date <= 0; }

std::u16string Lower(std::u16string_view s)
{
    std::u16string out(s);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return out;
}

std::u16string TrimRight(std::u16string s)
{
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r' || s.back() == u'\n'))
        s.pop_back();
    return s;
}

}  // namespace

CContact::CContact()
{
    for (int i = 0; i < kFieldCount; ++i)
        m_fields[i].SetField(&m_itemPointer, &m_loadedFields, kContactFieldTable[i].property);
}

CContact::~CContact() = default;

// ---- Loading and saving ----

bool CContact::ReadOID(long oid)
{
    NullData(true);
    m_oid = 0;
    if (!oid) return false;
    platform::ComRef<IDispatch> found;
    if (FAILED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put())) || !found) return false;
    m_item = platform::ComRef<IContact>::Query(found.Get());
    m_itemPointer = m_item.Get();
    if (!m_item) return false;
    m_oid = oid;
    return true;
}

bool CContact::Create()
{
    NullData(true);
    m_oid = 0;
    platform::ComRef<IDispatch> made;
    if (FAILED(COutlook::GetOutlookObject().CreateItem(olContactItem, made.Put())) || !made) return false;
    m_item = platform::ComRef<IContact>::Query(made.Get());
    m_itemPointer = m_item.Get();
    m_new = static_cast<bool>(m_item);
    return m_new;
}

bool CContact::RequireItem()
{
    if (!m_item && m_oid) ReadOID(m_oid);
    if (m_item) return true;
    ShowString(kContactMissingString, MB_ICONERROR);
    return false;
}

void CContact::LoadData(bool force)
{
    if (m_loaded && !force) return;
    if (!RequireItem()) return;
    for (CContactField& field : m_fields) field.Free();
    m_loadedFields = 0;
    m_birthday = m_anniversary = kNoOleDate;
    m_body.clear();
    if (!m_new) {
        m_item->get_Birthday(&m_birthday);
        m_item->get_Anniversary(&m_anniversary);
        platform::OwnedBstr body;
        if (SUCCEEDED(m_item->get_Body(body.Put())) && body.Get()) m_body.assign(body.Get(), SysStringLen(body.Get()));
    }
    m_datesChanged = m_bodyChanged = false;
    m_loaded = true;
}

void CContact::NullData(bool item)
{
    for (CContactField& field : m_fields) field.Free();
    m_loadedFields = 0;
    m_loaded = false;
    m_new = false;
    m_pictureChanged = m_pictureRemoved = false;
    m_newPicture.clear();
    m_birthday = m_anniversary = kNoOleDate;
    m_body.clear();
    m_datesChanged = m_bodyChanged = false;
    if (item) {
        m_item.Reset();
        m_itemPointer = nullptr;
    }
}

bool CContact::Save()
{
    if (!RequireItem()) return true;
    LoadData();
    IContact* item = m_item.Get();
    for (int i = 0; i < kFieldCount; ++i) {
        if (i == kCategories) continue;  // written into the record after the save
        m_fields[i].Write();
    }
    if (m_new || m_datesChanged) {
        item->put_Birthday(IsNoDate(m_birthday) ? kNoOleDate : m_birthday);
        item->put_Anniversary(IsNoDate(m_anniversary) ? kNoOleDate : m_anniversary);
    }
    bool failed = false;
    if (m_bodyChanged) {
        platform::OwnedBstr body(m_body);
        if (FAILED(item->put_Body(body))) {
            ShowString(kContactBodyNotSavedString, MB_ICONERROR);
            failed = true;
        }
    }
    const HRESULT saved = item->Save();
    if (FAILED(saved)) {
        COutlook::DisplayPIMSaveError(saved);
        // The item keeps the values put; a later Save tries them again.
        return true;
    }
    LONG oid = 0;
    item->get_Oid(&oid);
    m_oid = oid;
    const bool categoriesChanged = m_fields[kCategories].IsChanged();
    if (categoriesChanged) {
        std::u16string text = static_cast<const WCHAR*>(m_fields[kCategories]);
        IDispatch* dispatch = m_item.Get();
        dispatch->AddRef();
        m_item.Reset();
        m_itemPointer = nullptr;
        SaveCategoriesToPIMRecord(text.c_str(), &dispatch, m_oid, true);
        if (dispatch) {
            m_item = platform::ComRef<IContact>::Query(dispatch);
            dispatch->Release();
        }
        if (!m_item) ReadOID(m_oid);
        m_itemPointer = m_item.Get();
    }
    for (CContactField& field : m_fields) field.ClearChanged();
    m_new = false;
    m_datesChanged = m_bodyChanged = false;
    if (m_pictureChanged) CopyPicture();
    return failed;
}

int CContact::Delete()
{
    if (!RequireItem()) return E_FAIL;
    const HRESULT result = m_item->Delete();
    if (SUCCEEDED(result)) {
        CLinks::DeleteLinksOfItem(m_oid);
        NullData(true);
        m_oid = 0;
    }
    return result;
}

// ---- Fields ----

CContactField& CContact::operator[](Field field)
{
    LoadData();
    return m_fields[field];
}

std::u16string CContact::Text(Field field)
{
    CContactField& f = (*this)[field];
    const WCHAR* value = f;
    return std::u16string(value, static_cast<size_t>(f.Length()));
}

void CContact::SetText(Field field, std::u16string_view text)
{
    LoadData();
    m_fields[field].Set(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

double CContact::Birthday()
{
    LoadData();
    return m_birthday;
}

double CContact::Anniversary()
{
    LoadData();
    return m_anniversary;
}

void CContact::SetBirthday(double date)
{
    LoadData();
    m_birthday = date;
    m_datesChanged = true;
}

void CContact::SetAnniversary(double date)
{
    LoadData();
    m_anniversary = date;
    m_datesChanged = true;
}

std::u16string CContact::Body()
{
    LoadData();
    return m_body;
}

void CContact::SetBody(std::u16string_view body)
{
    LoadData();
    m_body = body;
    m_bodyChanged = true;
}

int CContact::FieldFromName(std::u16string_view name)
{
    const std::u16string wanted = Lower(name);
    for (int i = 0; i < kFieldCount; ++i)
        if (Lower(Utf8ToWide(kContactFieldTable[i].name)) == wanted) return i;
    return -1;
}

const char* CContact::FieldName(Field field) { return kContactFieldTable[field].name; }

// ---- File-as names ----

void CContact::FileAsFormatter(FILEASSTRUCT* names)
{
    if (!names) return;
    for (std::u16string& output : names->output) output.clear();
    const std::u16string title = names->title ? names->title : u"", first = names->firstName ? names->firstName : u"",
                         last = names->lastName ? names->lastName : u"",
                         company = names->company ? names->company : u"";
    std::u16string* out = names->output;
    if (!first.empty() || !last.empty()) {
        const bool both = !first.empty() && !last.empty();
        out[0] = both ? first + u" " + last : first + last;
        out[1] = both ? last + u", " + first : first + last;
        if (!title.empty()) out[2] = title + u" " + first + u" " + last;
        if (!company.empty()) {
            out[3] = last + u", " + first + u" (" + company + u")";
            out[4] = company + u" (" + last + u", " + first + u")";
            out[5] = last + u", " + first + u"(" + company + u")";
            out[6] = company + u"(" + last + u", " + first + u")";
        }
    } else if (!company.empty()) {
        for (int i = 0; i < 7; ++i) out[i] = company;
    }
    for (int i = 0; i < 3; ++i) out[i] = TrimRight(out[i]);
}

// ---- Picture ----

bool CContact::FindPicture(const std::u16string& folder, const std::u16string& name, std::u16string& path)
{
    if (name.empty() || name.find_first_of(u"\\/*?") != std::u16string::npos) return false;
    WIN32_FIND_DATAW found{};
    const std::u16string pattern = folder + u"\\" + name + u".*";
    const platform::FindHandle find(FindFirstFileW(pattern.c_str(), &found));
    if (!find.Valid()) return false;
    bool ok = false;
    do {
        const std::u16string file = found.cFileName;
        const size_t dot = file.rfind(u'.');
        const std::u16string extension = dot == std::u16string::npos ? u"" : Lower(file.substr(dot));
        const std::u16string known = kContactPictureExtensions;
        // A whole extension of the list (".jp" is none).
        const size_t at = extension.size() > 1 ? known.find(extension) : std::u16string::npos;
        const bool whole = at != std::u16string::npos &&
                           (at + extension.size() == known.size() || known[at + extension.size()] == u'.');
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && whole) {
            path = folder + u"\\" + file;
            ok = true;
        }
    } while (!ok && FindNextFileW(find.Get(), &found));
    return ok;
}

bool CContact::GetPicture(WCHAR** path, bool* isCompany)
{
    if (!path) return false;
    *path = nullptr;
    if (isCompany) *isCompany = false;
    LoadData();
    std::u16string found;
    if (m_pictureChanged) {
        if (m_pictureRemoved) return false;
        found = m_newPicture;
    } else {
        const std::u16string pictures = PictureFolder(false);
        const std::u16string fileAs = Text(kFileAs), company = Text(kCompany);
        WCHAR documents[MAX_PATH] = {};
        SHGetSpecialFolderPath(nullptr, documents, CSIDL_PERSONAL, FALSE);
        if (FindPicture(pictures, fileAs, found)) {
        } else if (!company.empty() && FindPicture(pictures, company, found)) {
            if (isCompany) *isCompany = true;
        } else if (!FindPicture(std::u16string(documents) + u"\\VaziduContactPhotos", fileAs, found)) {
            return false;
        }
    }
    if (found.empty()) return false;
    *path = static_cast<WCHAR*>(std::malloc((found.size() + 1) * sizeof(WCHAR)));
    if (!*path) return false;
    std::memcpy(*path, found.c_str(), (found.size() + 1) * sizeof(WCHAR));
    return true;
}

void CContact::SetPicture(const WCHAR* path)
{
    m_pictureChanged = true;
    m_pictureRemoved = !path || !*path;
    m_newPicture = path ? path : u"";
}

void CContact::RemovePicture() { SetPicture(nullptr); }

std::u16string CContact::PictureFolder(bool create)
{
    const std::u16string corvid = std::u16string(GetCorvidDirectory()) + u"\\Corvid";
    if (create) {
        CreateDirectoryW(corvid.c_str(), nullptr);
        CreateDirectoryW((corvid + u"\\ContactPics").c_str(), nullptr);
    }
    return corvid + u"\\ContactPics";
}

bool CContact::CopyPicture()
{
    const std::u16string folder = PictureFolder(!m_pictureRemoved);
    const std::u16string fileAs = Text(kFileAs);
    bool ok = !fileAs.empty() && fileAs.find_first_of(u"\\/:*?\"<>|") == std::u16string::npos;
    if (ok && m_pictureRemoved) {
        // Every picture under the file-as name goes.
        std::u16string old;
        while (FindPicture(folder, fileAs, old) && DeleteFileW(old.c_str())) old.clear();
    } else if (ok) {
        const size_t slash = m_newPicture.rfind(u'\\');
        const size_t dot = m_newPicture.find(u'.', slash == std::u16string::npos ? 0 : slash);
        const std::u16string target =
            folder + u"\\" + fileAs + (dot == std::u16string::npos ? u"" : m_newPicture.substr(dot));
        if (Lower(target) != Lower(m_newPicture)) ok = CopyFileW(m_newPicture.c_str(), target.c_str(), FALSE) != FALSE;
    }
    m_pictureChanged = m_pictureRemoved = false;
    m_newPicture.clear();
    return ok;
}
