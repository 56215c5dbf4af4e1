// CRegistry: the one interface through which the suite reads and writes its
// settings, shaped like the platform's registry (open a key under a root,
// query and set named strings and 32-bit numbers, enumerate, delete).
//
// Each object works in one of two modes chosen when it is made:
//  - text-file mode (the default): keys are sections of a settings text file,
//    by default "%s\Corvid\Settings.txt" under the suite's data directory.
//    All objects of the process naming one file share one in-memory copy
//    (INIFileCache), merged into the file on disk when it is saved;
//  - registry mode: every call goes straight to the platform registry.
//
// Every operation returns a 32-bit status: 0, E_FAIL (0x80004005), E_INVALIDARG
// (0x80070057), or in registry mode the platform's error code negated.
// Enumerations return ERROR_NO_MORE_ITEMS (259) unchanged past their end.
//
// A single CRegistry is used by one thread at a time; the shared file objects
// are guarded by one process-wide settings lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/ce_ptr_list.h"
#include "platform/base/error_codes.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/files/registry.h"

class SettingsSection;

enum _REGISTRY_TYPE { REGISTRY_TYPE_FILE = 0, REGISTRY_TYPE_REGISTRY = 1 };

// One entry of QueryArray: the number named name goes to *destination, or
// defaultValue when the query fails.
struct KSREG {
    const WCHAR* name;
    ULONG* destination;
    ULONG defaultValue;
};

// The settings file used when no path is given.
inline constexpr const WCHAR* kDefaultSettingsFile = u"%s\\Corvid\\Settings.txt";

class KSTOOLS_API CRegistry {
public:
    class INIFile;

    CRegistry();
    explicit CRegistry(_REGISTRY_TYPE type);
    explicit CRegistry(LPCWSTR path);
    CRegistry(_REGISTRY_TYPE type, LPCWSTR path);
    // cached 0 gives this object a private copy of the file.
    CRegistry(_REGISTRY_TYPE type, LPCWSTR path, int cached);
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;
    // Registry mode closes the key; text-file mode saves (SaveINIFile(0)) and
    // drops its use of the file.
    ~CRegistry();

    // Text-file mode attaches path (null: E_INVALIDARG); the previous file,
    // if any, is released first.
    LONG SetRegistryType(_REGISTRY_TYPE type, LPCWSTR path, int cached);
    _REGISTRY_TYPE RegistryType() const { return m_type; }
    // The resolved path of the file ("" in registry mode).
    LPCWSTR INIFileName() const;
    // Registry mode: the open HKEY; text-file mode: the open section's
    // position; -1 when no key is open.
    LONG_PTR KeyRef() const { return m_key; }

    // Opens (creating when missing) the key. In text-file mode a root of 0
    // takes subkey as the section name. disposition: 1 created, 2 existed.
    LONG OpenKey(HKEY root, LPCWSTR subkey, ULONG* disposition = nullptr);
    LONG CloseKey();
    // 1 when the key exists (it becomes the open key), else 0.
    LONG Exists(HKEY root, LPCWSTR subkey);

    LONG QueryValue(LPCWSTR name, ULONG* value);
    LONG QueryValue(LPCWSTR name, int* value);
    // Copies up to size characters and a terminator; size 0: the whole text
    // in text-file mode, 200 characters in registry mode.
    LONG QueryValue(LPCWSTR name, LPWSTR buffer, ULONG size);
    // The whole text of a string value, however long.
    LONG QueryText(LPCWSTR name, std::u16string& text);
    // *kind: REG_SZ (1) or REG_DWORD (4).
    LONG QueryValueType(LPCWSTR name, ULONG* kind);
    LONG SetValue(LPCWSTR name, ULONG value);
    LONG SetValue(LPCWSTR name, LPCWSTR text);
    LONG DeleteValue(LPCWSTR name);
    // E_FAIL in text-file mode when the section is absent.
    LONG DeleteKey(HKEY root, LPCWSTR subkey);
    // Registry mode only; text-file mode fails.
    LONG QueryBinValue(LPCWSTR name, BYTE* data, ULONG size);
    LONG SetBinValue(LPCWSTR name, const BYTE* data, ULONG size);

    // Values of the open key; sub-keys of the open key (registry mode) or
    // sections of the file (text-file mode).
    LONG ValueCount();
    LONG SubKeyCount();
    // Values of root\subkey, opening it.
    LONG ValueCount(HKEY root, LPCWSTR subkey);
    // size in characters (0: 200).
    LONG ValueName(LONG index, LPWSTR name, ULONG size);
    LONG SubKeyName(LONG index, LPWSTR name, ULONG size);
    // New lists of all names; the caller deletes them. Null on failure.
    CeStrList<WCHAR*>* ValueNames();
    CeStrList<WCHAR*>* SubKeyNames();

    LONG QueryArray(KSREG* entries, ULONG count);

    // Text-file mode: the section's modified flag / the value's changed flag.
    LONG Updated(HKEY root, LPCWSTR subkey);
    LONG QueryValueUpdated(LPCWSTR name);

    LONG FlushKey();
    // Merges this file's changes into the file on disk and writes it. Without
    // force only a dirty file used by at most one object is saved. E_FAIL, the
    // platform's error code as the last error, when the file cannot be written.
    LONG SaveINIFile(int force);

    static BOOL INIFileInCache(LPCWSTR path);
    // Copies every section and value of the text file into the registry.
    static LONG ImportINIFile(LPCWSTR path);
    // Copies root\subkey and every key (section) whose name begins with its
    // name into target, or into a new text-file store on path when target is
    // null: its sub-keys, and keys beside it such as "Kestrel2" for "Kestrel".
    LONG ExportINIFile(HKEY root, LPCWSTR subkey, LPCWSTR path, CRegistry* target);
    // The same from the registry without the name test: root\subkey and
    // every sub-key below it, nothing beside it.
    static LONG ExportRegistry(HKEY root, LPCWSTR subkey, LPCWSTR path, CRegistry* target);
    // Copies every section and value of the text file at path into this store;
    // with find and replace, each section's subkey has find replaced first.
    LONG AppendINIFile(LPCWSTR path, LPCWSTR find, LPCWSTR replace);

    // The section name for root and subkey ("HKEY_CURRENT_USER\Software\...").
    static void SectionName(HKEY root, LPCWSTR subkey, WCHAR* buffer, size_t size);
    // The reverse: the root the section name begins with, and in *subkey
    // the text after it (null when nothing follows).
    static HKEY GetSectionKey(LPCWSTR section, LPCWSTR* subkey);
    // Forgets every cached file object without saving, as unloading the
    // library does. Objects still using them keep them alive.
    static void UnloadINIFileCache();

private:
    bool TextMode() const { return m_type == REGISTRY_TYPE_FILE; }
    void ReleaseFile();
    SettingsSection* OpenSection();
    // find null or empty: subkeys as they stand.
    LONG AppendFrom(CRegistry& source, LPCWSTR find, LPCWSTR replace);
    static LONG CopyKey(CRegistry& source, HKEY sourceRoot, const std::u16string& sourceKey, CRegistry& target,
                        HKEY targetRoot, const std::u16string& targetKey);
    static LONG ExportRegistryKey(HKEY root, const std::u16string& subkey, CRegistry& target);
    static LONG ExportRegistryNamesakes(HKEY root, const std::u16string& subkey, CRegistry& target);

    _REGISTRY_TYPE m_type;
    int m_cached;
    INIFile* m_file;
    LONG_PTR m_key;
    // Text-file mode: the open section's name, to find it again when the
    // file's sections have moved since (a save, a deleted section).
    std::u16string m_sectionName;
    std::uint64_t m_generation = 0;
};
