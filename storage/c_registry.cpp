// Sections: Life; Sections; Values; Enumeration; Change marks and saving; Import, export, append.

#include "storage/c_registry.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/ce_file.h"
#include "foundation/ce_string.h"
#include "platform/base/last_error.h"
#include "platform/text/wide_string.h"
#include "storage/corvid_directory.h"
#include "storage/ini_file.h"
#include "storage/ini_file_cache.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;
using Section = CRegistry::INIFile::Section;

constexpr ULONG kDefaultNameChars = 200;

LONG Negated(LONG error) { return error == ERROR_SUCCESS ? 0 : -error; }

// A null value name stands for the key's default value, "@" in the file.
std::u16string_view FileValueName(LPCWSTR name) { return name ? std::u16string_view(name) : u"@"; }

struct RootName {
    HKEY root;
    const WCHAR* name;
};
const RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, u"HKEY_USERS"},
};

std::u16string BuildSectionName(HKEY root, LPCWSTR subkey)
{
    if (!root) return subkey ? subkey : u"";
    const WCHAR* rootName = u"HKEY_CURRENT_USER";  // also for any unknown root
    for (const RootName& r : kRoots) {
        if (r.root == root) rootName = r.name;
    }
    std::u16string name = rootName;
    name += u'\\';
    if (subkey) name += subkey;
    return name;
}

// Copies text into a caller's buffer of size characters (terminator included).
void CopyOut(std::u16string_view text, LPWSTR buffer, size_t size)
{
    if (!buffer || size == 0) return;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    for (size_t i = 0; i < n; ++i) buffer[i] = text[i];
    buffer[n] = 0;
}

}  // namespace

// ---- Life -----------------------------------------------------------------

CRegistry::CRegistry() : CRegistry(REGISTRY_TYPE_FILE, nullptr, 1) {}
CRegistry::CRegistry(_REGISTRY_TYPE type) : CRegistry(type, nullptr, 1) {}
CRegistry::CRegistry(LPCWSTR path) : CRegistry(REGISTRY_TYPE_FILE, path, 1) {}
CRegistry::CRegistry(_REGISTRY_TYPE type, LPCWSTR path) : CRegistry(type, path, 1) {}

CRegistry::CRegistry(_REGISTRY_TYPE type, LPCWSTR path, int cached)
    : m_type(type), m_cached(0), m_file(nullptr), m_key(-1)
{
    SetRegistryType(type, path ? path : kDefaultSettingsFile, cached);
}

CRegistry::~CRegistry()
{
    if (TextMode()) {
        SaveINIFile(0);
        ReleaseFile();
    } else {
        CloseKey();
    }
}

void CRegistry::ReleaseFile()
{
    if (!m_file) return;
    Lock lock(INIFileCache::Lock());
    if (m_cached) {
        INIFileCache::Detach(m_file);
    } else {
        delete m_file;
    }
    m_file = nullptr;
    m_key = -1;
}

LONG CRegistry::SetRegistryType(_REGISTRY_TYPE type, LPCWSTR path, int cached)
{
    if (!TextMode()) CloseKey();
    ReleaseFile();
    m_type = type;
    m_key = -1;
    if (!TextMode()) return 0;
    if (!path) return E_INVALIDARG;
    std::u16string resolved = ResolveSettingsPath(path);
    Lock lock(INIFileCache::Lock());
    m_cached = cached ? 1 : 0;
    bool onDisk = true;
    if (m_cached) {
        m_file = INIFileCache::Attach(resolved, &onDisk);
    } else {
        m_file = new INIFile(resolved);
        onDisk = m_file->Load();
        m_file->users = 1;
    }
    // A file not there yet gets its folders now, so that saving can create it.
    if (!onDisk) CeFile::CreatePath(resolved.c_str());
    return 0;
}

LPCWSTR CRegistry::INIFileName() const { return m_file ? m_file->Path().c_str() : u""; }

// ---- Sections -------------------------------------------------------------

void CRegistry::SectionName(HKEY root, LPCWSTR subkey, WCHAR* buffer, size_t size)
{
    CopyOut(BuildSectionName(root, subkey), buffer, size);
}

HKEY CRegistry::GetSectionKey(LPCWSTR section, LPCWSTR* subkey)
{
    if (subkey) *subkey = nullptr;
    if (!section) return HKEY_CURRENT_USER;
    for (const RootName& r : kRoots) {
        size_t n = wcslen(r.name);
        if (_wcsnicmp(section, r.name, n) != 0) continue;
        const WCHAR* rest = section + n;
        if (*rest == u'\\') ++rest;
        if (subkey && *rest) *subkey = rest;
        return r.root;
    }
    return HKEY_CURRENT_USER;
}

// The open section, found again by name when the file's sections moved.
Section* CRegistry::OpenSection()
{
    if (!m_file || m_key < 0) return nullptr;
    if (m_generation != m_file->generation || static_cast<size_t>(m_key) >= m_file->SectionCount()) {
        std::ptrdiff_t at = m_file->FindSection(m_sectionName);
        m_generation = m_file->generation;
        m_key = at;
        if (at < 0) return nullptr;
    }
    return &m_file->SectionAt(static_cast<size_t>(m_key));
}

LONG CRegistry::OpenKey(HKEY root, LPCWSTR subkey, ULONG* disposition)
{
    if (!TextMode()) {
        CloseKey();
        HKEY key = nullptr;
        DWORD how = 0;
        LONG result = RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &how);
        if (result != ERROR_SUCCESS) return Negated(result);
        m_key = reinterpret_cast<LONG_PTR>(key);
        if (disposition) *disposition = how;
        return 0;
    }
    if (!m_file) return E_FAIL;
    std::u16string name = BuildSectionName(root, subkey);
    if (!INIFile::HeaderLineFits(name)) return E_INVALIDARG;
    Lock lock(INIFileCache::Lock());
    bool created = false;
    m_key = static_cast<LONG_PTR>(m_file->OpenSection(name, &created));
    m_sectionName = std::move(name);
    m_generation = m_file->generation;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return 0;
}

LONG CRegistry::CloseKey()
{
    if (!TextMode() && m_key != -1) {
        HKEY key = reinterpret_cast<HKEY>(m_key);
        RegFlushKey(key);
        RegCloseKey(key);
    }
    m_key = -1;
    return 0;
}

LONG CRegistry::Exists(HKEY root, LPCWSTR subkey)
{
    if (!TextMode()) {
        CloseKey();
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
        m_key = reinterpret_cast<LONG_PTR>(key);
        return 1;
    }
    if (!m_file) return 0;
    std::u16string name = BuildSectionName(root, subkey);
    Lock lock(INIFileCache::Lock());
    std::ptrdiff_t at = m_file->FindSection(name);
    if (at < 0) return 0;
    m_key = at;
    m_sectionName = std::move(name);
    m_generation = m_file->generation;
    return 1;
}

LONG CRegistry::DeleteKey(HKEY root, LPCWSTR subkey)
{
    if (!TextMode()) {
        CloseKey();
        return Negated(RegDeleteKeyW(root, subkey));
    }
    if (!m_file) return E_FAIL;
    Lock lock(INIFileCache::Lock());
    return m_file->DeleteSection(BuildSectionName(root, subkey)) ? 0 : E_FAIL;
}

// ---- Values ---------------------------------------------------------------

LONG CRegistry::QueryValue(LPCWSTR name, ULONG* value)
{
    if (!value) return E_INVALIDARG;
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD bytes = sizeof(DWORD);
        DWORD data = 0;
        LONG result = RegQueryValueExW(reinterpret_cast<HKEY>(m_key), name, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(&data), &bytes);
        if (result != ERROR_SUCCESS) return Negated(result);
        *value = data;
        return 0;
    }
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    const INIFile::Value* found = section ? section->Find(FileValueName(name)) : nullptr;
    if (!found || found->kind != REG_DWORD) return E_FAIL;
    *value = found->number;
    return 0;
}

LONG CRegistry::QueryValue(LPCWSTR name, int* value)
{
    if (!value) return E_INVALIDARG;
    ULONG number = 0;
    LONG result = QueryValue(name, &number);
    if (result == 0) *value = static_cast<int>(number);
    return result;
}

LONG CRegistry::QueryValue(LPCWSTR name, LPWSTR buffer, ULONG size)
{
    if (!buffer) return E_INVALIDARG;
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD bytes = (size ? size : kDefaultNameChars) * sizeof(WCHAR);
        DWORD type = 0;
        LONG result = RegQueryValueExW(reinterpret_cast<HKEY>(m_key), name, nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer), &bytes);
        return Negated(result);
    }
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    const INIFile::Value* found = section ? section->Find(FileValueName(name)) : nullptr;
    if (!found || found->kind != REG_SZ) return E_FAIL;
    std::u16string_view text = found->text.View();
    CopyOut(text, buffer, size ? size : text.size() + 1);
    return 0;
}

LONG CRegistry::QueryValueType(LPCWSTR name, ULONG* kind)
{
    if (!kind) return E_INVALIDARG;
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD type = 0;
        LONG result = RegQueryValueExW(reinterpret_cast<HKEY>(m_key), name, nullptr, &type, nullptr, nullptr);
        if (result != ERROR_SUCCESS) return Negated(result);
        *kind = type;
        return 0;
    }
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    const INIFile::Value* found = section ? section->Find(FileValueName(name)) : nullptr;
    if (!found) return E_FAIL;
    *kind = found->kind;
    return 0;
}

LONG CRegistry::SetValue(LPCWSTR name, ULONG value)
{
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD data = value;
        return Negated(RegSetValueExW(reinterpret_cast<HKEY>(m_key), name, 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&data), sizeof(data)));
    }
    // A line the reader would skip would lose the value at the next load.
    if (!INIFile::ValueLineFits(FileValueName(name), REG_DWORD, 0)) return E_INVALIDARG;
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    if (!section) return E_FAIL;
    m_file->SetNumber(*section, FileValueName(name), value);
    return 0;
}

LONG CRegistry::SetValue(LPCWSTR name, LPCWSTR text)
{
    if (!text) text = u"";
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        return Negated(RegSetValueExW(reinterpret_cast<HKEY>(m_key), name, 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(text),
                                      static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR))));
    }
    if (!INIFile::ValueLineFits(FileValueName(name), REG_SZ, wcslen(text))) return E_INVALIDARG;
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    if (!section) return E_FAIL;
    m_file->SetString(*section, FileValueName(name), text);
    return 0;
}

LONG CRegistry::DeleteValue(LPCWSTR name)
{
    if (!TextMode()) return m_key == -1 ? E_FAIL : Negated(RegDeleteValueW(reinterpret_cast<HKEY>(m_key), name));
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    if (!section) return E_FAIL;
    return m_file->DeleteValue(*section, FileValueName(name)) ? 0 : E_FAIL;
}

LONG CRegistry::QueryBinValue(LPCWSTR name, BYTE* data, ULONG size)
{
    if (TextMode() || m_key == -1) return E_FAIL;
    DWORD bytes = size;
    return Negated(RegQueryValueExW(reinterpret_cast<HKEY>(m_key), name, nullptr, nullptr, data, &bytes));
}

LONG CRegistry::SetBinValue(LPCWSTR name, const BYTE* data, ULONG size)
{
    if (TextMode() || m_key == -1) return E_FAIL;
    return Negated(RegSetValueExW(reinterpret_cast<HKEY>(m_key), name, 0, REG_BINARY, data, size));
}

LONG CRegistry::QueryArray(KSREG* entries, ULONG count)
{
    if (!entries && count) return E_INVALIDARG;
    for (ULONG i = 0; i < count; ++i) {
        if (!entries[i].destination) continue;
        if (QueryValue(entries[i].name, entries[i].destination) != 0) *entries[i].destination = entries[i].defaultValue;
    }
    return 0;
}

// ---- Enumeration ----------------------------------------------------------

namespace {

// Names of keys and values compare as the registry compares them: ordinal,
// without case (_wcsicmp), whatever the user's locale.
CeStrList<WCHAR*>* NewNameList()
{
    constexpr int kCopyStrings = 4;
    constexpr int kCompareWithoutCase = 2;
    return new CeStrList<WCHAR*>(0, kCopyStrings, kCompareWithoutCase);
}

}  // namespace

LONG CRegistry::ValueCount()
{
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD values = 0;
        LONG result = RegQueryInfoKeyW(reinterpret_cast<HKEY>(m_key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, &values, nullptr, nullptr, nullptr, nullptr);
        return result == ERROR_SUCCESS ? static_cast<LONG>(values) : Negated(result);
    }
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    return section ? static_cast<LONG>(section->ValueCount()) : E_FAIL;
}

LONG CRegistry::ValueCount(HKEY root, LPCWSTR subkey)
{
    LONG result = OpenKey(root, subkey, nullptr);
    return result == 0 ? ValueCount() : result;
}

LONG CRegistry::SubKeyCount()
{
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD keys = 0;
        LONG result = RegQueryInfoKeyW(reinterpret_cast<HKEY>(m_key), nullptr, nullptr, nullptr, &keys, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        return result == ERROR_SUCCESS ? static_cast<LONG>(keys) : Negated(result);
    }
    if (!m_file) return E_FAIL;
    Lock lock(INIFileCache::Lock());
    return static_cast<LONG>(m_file->SectionCount());
}

LONG CRegistry::ValueName(LONG index, LPWSTR name, ULONG size)
{
    if (!name) return E_INVALIDARG;
    if (size == 0) size = kDefaultNameChars;
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD chars = size;
        LONG result = RegEnumValueW(reinterpret_cast<HKEY>(m_key), static_cast<DWORD>(index), name, &chars, nullptr,
                                    nullptr, nullptr, nullptr);
        return result == ERROR_NO_MORE_ITEMS ? result : Negated(result);
    }
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    if (!section) return E_FAIL;
    if (index < 0 || static_cast<size_t>(index) >= section->ValueCount()) return ERROR_NO_MORE_ITEMS;
    CopyOut(section->ValueAt(static_cast<size_t>(index)).name.View(), name, size);
    return 0;
}

LONG CRegistry::SubKeyName(LONG index, LPWSTR name, ULONG size)
{
    if (!name) return E_INVALIDARG;
    if (size == 0) size = kDefaultNameChars;
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        DWORD chars = size;
        LONG result = RegEnumKeyExW(reinterpret_cast<HKEY>(m_key), static_cast<DWORD>(index), name, &chars, nullptr,
                                    nullptr, nullptr, nullptr);
        return result == ERROR_NO_MORE_ITEMS ? result : Negated(result);
    }
    if (!m_file) return E_FAIL;
    Lock lock(INIFileCache::Lock());
    if (index < 0 || static_cast<size_t>(index) >= m_file->SectionCount()) return ERROR_NO_MORE_ITEMS;
    CopyOut(m_file->SectionAt(static_cast<size_t>(index)).Name(), name, size);
    return 0;
}

CeStrList<WCHAR*>* CRegistry::ValueNames()
{
    auto* names = NewNameList();
    if (TextMode()) {
        // Value names in a file (folder paths, say) can be longer than the
        // registry's.
        Lock lock(INIFileCache::Lock());
        SettingsSection* section = OpenSection();
        for (size_t i = 0; section && i < section->ValueCount(); ++i) {
            std::u16string name(section->ValueAt(i).name.View());
            names->Append(name.data());
        }
        return names;
    }
    WCHAR name[REG_MAX_NAME_CHARS + 1];
    for (LONG i = 0; ValueName(i, name, REG_MAX_NAME_CHARS + 1) == 0; ++i) names->Append(name);
    return names;
}

CeStrList<WCHAR*>* CRegistry::SubKeyNames()
{
    auto* names = NewNameList();
    if (TextMode()) {
        // Section names can be longer than registry key names.
        Lock lock(INIFileCache::Lock());
        for (size_t i = 0; m_file && i < m_file->SectionCount(); ++i) {
            std::u16string name(m_file->SectionAt(i).Name());
            names->Append(name.data());
        }
        return names;
    }
    WCHAR name[REG_MAX_NAME_CHARS + 1];
    for (LONG i = 0; SubKeyName(i, name, REG_MAX_NAME_CHARS + 1) == 0; ++i) names->Append(name);
    return names;
}

// ---- Change marks and saving ----------------------------------------------

LONG CRegistry::Updated(HKEY root, LPCWSTR subkey)
{
    if (!TextMode() || !m_file) return 0;
    Lock lock(INIFileCache::Lock());
    std::ptrdiff_t at = m_file->FindSection(BuildSectionName(root, subkey));
    return at >= 0 && m_file->SectionAt(static_cast<size_t>(at)).modified ? 1 : 0;
}

LONG CRegistry::QueryValueUpdated(LPCWSTR name)
{
    if (!TextMode()) return 0;
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    const INIFile::Value* found = section ? section->Find(FileValueName(name)) : nullptr;
    return found && found->changed ? 1 : 0;
}

LONG CRegistry::FlushKey()
{
    if (!TextMode()) return m_key == -1 ? E_FAIL : Negated(RegFlushKey(reinterpret_cast<HKEY>(m_key)));
    return SaveINIFile(1);
}

LONG CRegistry::SaveINIFile(int force)
{
    if (!TextMode() || !m_file) return 0;
    Lock lock(INIFileCache::Lock());
    if (!force && !(m_file->dirty && m_file->users <= 1)) return 0;
    const DWORD error = m_file->Save();
    if (error == ERROR_SUCCESS) return 0;
    SetLastError(error);  // the reason, for callers that report it
    return E_FAIL;
}

BOOL CRegistry::INIFileInCache(LPCWSTR path)
{
    if (!path) return FALSE;
    std::u16string resolved = ResolveSettingsPath(path);
    Lock lock(INIFileCache::Lock());
    return INIFileCache::Contains(resolved) ? TRUE : FALSE;
}

void CRegistry::UnloadINIFileCache()
{
    Lock lock(INIFileCache::Lock());
    INIFileCache::Unload();
}

// ---- Import, export, append -----------------------------------------------

LONG CRegistry::ImportINIFile(LPCWSTR path)
{
    if (!path) return E_INVALIDARG;
    CRegistry source(REGISTRY_TYPE_FILE, path, 0);
    CRegistry target(REGISTRY_TYPE_REGISTRY);
    return target.AppendFrom(source, nullptr, nullptr);
}

LONG CRegistry::AppendINIFile(LPCWSTR path, LPCWSTR find, LPCWSTR replace)
{
    if (!path) return E_INVALIDARG;
    CRegistry source(REGISTRY_TYPE_FILE, path, 0);
    return AppendFrom(source, replace ? find : nullptr, replace);
}

// Copies every section of a text-file store into this one.
LONG CRegistry::AppendFrom(CRegistry& source, LPCWSTR find, LPCWSTR replace)
{
    std::vector<std::u16string> sections;
    {
        Lock lock(INIFileCache::Lock());
        for (size_t i = 0; i < source.m_file->SectionCount(); ++i)
            sections.emplace_back(source.m_file->SectionAt(i).Name());
    }
    LONG status = 0;
    for (const std::u16string& section : sections) {
        LPCWSTR subkey = nullptr;
        HKEY root = GetSectionKey(section.c_str(), &subkey);
        CeString target(subkey ? subkey : u"");
        if (find && *find) target.Replace(find, replace ? replace : u"");
        LONG result = CopyKey(source, 0, section, *this, root, std::u16string(static_cast<const WCHAR*>(target)));
        if (result != 0) status = result;
    }
    return status;
}

// Copies the values of one key of source into root\subkey of target.
LONG CRegistry::CopyKey(CRegistry& source, HKEY sourceRoot, const std::u16string& sourceKey, CRegistry& target,
                        HKEY targetRoot, const std::u16string& targetKey)
{
    if (source.Exists(sourceRoot, sourceKey.c_str()) != 1) return E_FAIL;
    LONG result = target.OpenKey(targetRoot, targetKey.c_str(), nullptr);
    if (result != 0) return result;
    std::unique_ptr<CeStrList<WCHAR*>> names(source.ValueNames());
    std::u16string text;
    for (int i = 0; i < names->GetCount(); ++i) {
        std::u16string_view name = names->GetAt(i);
        // The key's default value is "@" in a file and the empty name in the registry.
        std::u16string targetName(name);
        if (target.TextMode() && name.empty()) targetName = u"@";
        if (!target.TextMode() && name == u"@") targetName.clear();
        ULONG kind = 0;
        if (source.QueryValueType(names->GetAt(i), &kind) != 0) continue;
        LONG set = 0;
        if (kind == REG_DWORD) {
            ULONG number = 0;
            if (source.QueryValue(names->GetAt(i), &number) == 0) set = target.SetValue(targetName.c_str(), number);
        } else if (kind == REG_SZ || kind == REG_EXPAND_SZ) {
            if (source.QueryText(names->GetAt(i), text) == 0) set = target.SetValue(targetName.c_str(), text.c_str());
        }
        // Binary values have no form in a settings file and are left out.
        if (set != 0) result = set;
    }
    return result;
}

// The whole text of a string value of the open key.
LONG CRegistry::QueryText(LPCWSTR name, std::u16string& text)
{
    if (!TextMode()) {
        if (m_key == -1) return E_FAIL;
        HKEY key = reinterpret_cast<HKEY>(m_key);
        DWORD bytes = 0;
        LONG result = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &bytes);
        if (result != ERROR_SUCCESS) return Negated(result);
        text.assign(bytes / sizeof(WCHAR) + 1, u'\0');
        result = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &bytes);
        if (result != ERROR_SUCCESS) return Negated(result);
        text.resize(wcslen(text.c_str()));
        return 0;
    }
    Lock lock(INIFileCache::Lock());
    Section* section = OpenSection();
    const INIFile::Value* found = section ? section->Find(FileValueName(name)) : nullptr;
    if (!found || found->kind != REG_SZ) return E_FAIL;
    text.assign(found->text.View());
    return 0;
}

namespace {

// Runs copy into target, or into a new text-file store on path, which is
// then saved.
template <class Copy>
LONG ExportInto(LPCWSTR path, CRegistry* target, Copy copy)
{
    if (target) return copy(*target);
    if (!path) return E_INVALIDARG;
    CRegistry own(REGISTRY_TYPE_FILE, path, 0);
    LONG status = copy(own);
    LONG saved = own.SaveINIFile(1);
    return status == 0 ? saved : status;
}

}  // namespace

LONG CRegistry::ExportINIFile(HKEY root, LPCWSTR subkey, LPCWSTR path, CRegistry* target)
{
    std::u16string key = subkey ? subkey : u"";
    if (!TextMode()) {
        return ExportInto(path, target, [&](CRegistry& to) {
            LONG status = ExportRegistryKey(root, key, to);
            // As with sections in a file: keys beside it whose names begin with its name.
            LONG besides = ExportRegistryNamesakes(root, key, to);
            return status == 0 ? besides : status;
        });
    }
    if (!m_file) return E_FAIL;
    return ExportInto(path, target, [&](CRegistry& to) {
        std::u16string prefix = BuildSectionName(root, subkey);
        std::vector<std::u16string> sections;
        {
            Lock lock(INIFileCache::Lock());
            for (size_t i = 0; i < m_file->SectionCount(); ++i) {
                std::u16string_view name = m_file->SectionAt(i).Name();
                if (name.size() >= prefix.size() &&
                    _wcsnicmp(std::u16string(name).c_str(), prefix.c_str(), prefix.size()) == 0) {
                    sections.emplace_back(name);
                }
            }
        }
        LONG status = sections.empty() ? E_FAIL : 0;
        for (const std::u16string& section : sections) {
            LPCWSTR sectionSubkey = nullptr;
            HKEY sectionRoot = GetSectionKey(section.c_str(), &sectionSubkey);
            LONG result = CopyKey(*this, 0, section, to, sectionRoot, sectionSubkey ? sectionSubkey : u"");
            if (result != 0) status = result;
        }
        return status;
    });
}

LONG CRegistry::ExportRegistry(HKEY root, LPCWSTR subkey, LPCWSTR path, CRegistry* target)
{
    std::u16string key = subkey ? subkey : u"";
    return ExportInto(path, target, [&](CRegistry& to) { return ExportRegistryKey(root, key, to); });
}

// Copies root\subkey of the registry and, depth first, all its sub-keys.
LONG CRegistry::ExportRegistryKey(HKEY root, const std::u16string& subkey, CRegistry& target)
{
    CRegistry source(REGISTRY_TYPE_REGISTRY);
    LONG status = CopyKey(source, root, subkey, target, root, subkey);
    if (status == E_FAIL && source.m_key == -1) return E_FAIL;  // no such key
    std::unique_ptr<CeStrList<WCHAR*>> children(source.SubKeyNames());
    source.CloseKey();
    for (int i = 0; i < children->GetCount(); ++i) {
        std::u16string child =
            subkey.empty() ? std::u16string(children->GetAt(i)) : subkey + u"\\" + children->GetAt(i);
        LONG result = ExportRegistryKey(root, child, target);
        if (result != 0) status = result;
    }
    return status;
}

// Exports, each with its sub-keys, the keys beside root\subkey whose names
// begin with its last name ("Kestrel2" beside "Kestrel").
LONG CRegistry::ExportRegistryNamesakes(HKEY root, const std::u16string& subkey, CRegistry& target)
{
    size_t slash = subkey.rfind(u'\\');
    std::u16string parent = slash == std::u16string::npos ? u"" : subkey.substr(0, slash);
    std::u16string leaf = slash == std::u16string::npos ? subkey : subkey.substr(slash + 1);
    CRegistry source(REGISTRY_TYPE_REGISTRY);
    if (leaf.empty() || source.Exists(root, parent.c_str()) != 1) return 0;
    std::unique_ptr<CeStrList<WCHAR*>> siblings(source.SubKeyNames());
    source.CloseKey();
    LONG status = 0;
    for (int i = 0; i < siblings->GetCount(); ++i) {
        const WCHAR* name = siblings->GetAt(i);
        if (_wcsnicmp(name, leaf.c_str(), leaf.size()) != 0 || _wcsicmp(name, leaf.c_str()) == 0) continue;
        LONG result = ExportRegistryKey(root, parent.empty() ? std::u16string(name) : parent + u"\\" + name, target);
        if (result != 0) status = result;
    }
    return status;
}
