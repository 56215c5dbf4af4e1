#include "tools/kstools/settings_store.h"

#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "storage/settings_name.h"
#include "tools/kstools/cli_context.h"
#include "tools/kstools/store_volume.h"

namespace kstools {
namespace {

// A missing value or key: E_FAIL from a file, the platform's code negated from the registry.
bool IsMissing(LONG status) { return status == E_FAIL || status == -static_cast<LONG>(ERROR_FILE_NOT_FOUND); }

bool StartsWith(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && settings::NamesEqual(text.substr(0, prefix.size()), prefix);
}

// Whether section is the key's own or one of its sub-keys'.
bool InTree(std::u16string_view section, std::u16string base)
{
    if (!base.empty() && base.back() == u'\\') {  // a root key: "HKEY_CURRENT_USER\"
        return StartsWith(section, base) ||
               settings::NamesEqual(section, std::u16string_view(base).substr(0, base.size() - 1));
    }
    return settings::NamesEqual(section, base) || StartsWith(section, base + u"\\");
}

}  // namespace

std::string DescribeStatus(LONG status)
{
    if (status == E_FAIL) return "general failure";
    if (status == E_INVALIDARG) return "invalid argument";
    if (status < 0) return "error " + std::to_string(-status);
    return "error " + std::to_string(status);
}

SettingsStore::SettingsStore(const SettingsStoreOptions& options, FileArgument::Need need)
{
    if (options.registry) {
        m_store = std::make_unique<CRegistry>(REGISTRY_TYPE_REGISTRY);
        return;
    }
    if (options.file.empty()) {
        m_file = std::make_unique<FileArgument>(WideToUtf8(kDefaultSettingsFile), FileArgument::Need::MayBeNew);
    } else {
        m_file = std::make_unique<FileArgument>(options.file, need);
    }
    m_store = std::make_unique<CRegistry>(REGISTRY_TYPE_FILE, m_file->DevicePath().c_str());
}

std::string SettingsStore::Name() const { return m_file ? m_file->Label() : "the registry"; }

LPCWSTR SettingsStore::ValueName(const std::u16string& name) const
{
    return IsRegistry() && name == u"@" ? nullptr : name.c_str();
}

bool SettingsStore::Open(const SettingsKey& key) { return m_store->Exists(key.root, key.subkey.c_str()) == 1; }

void SettingsStore::Create(const SettingsKey& key)
{
    LONG status = m_store->OpenKey(key.root, key.subkey.c_str(), nullptr);
    if (status != 0)
        throw CommandError("cannot create the key " + key.text + " in " + Name() + ": " + DescribeStatus(status));
}

std::optional<SettingsEntry> SettingsStore::Read(const std::u16string& name)
{
    ULONG kind = 0;
    LONG status = m_store->QueryValueType(ValueName(name), &kind);
    if (IsMissing(status)) return std::nullopt;
    if (status != 0) throw CommandError("cannot read " + Name() + ": " + DescribeStatus(status));
    return ReadOpen(name, kind);
}

SettingsEntry SettingsStore::ReadOpen(const std::u16string& name, ULONG kind)
{
    SettingsEntry entry;
    entry.name = name;
    entry.kind = kind == REG_EXPAND_SZ ? REG_SZ : kind;
    LPCWSTR valueName = ValueName(name);
    if (entry.kind == REG_DWORD) {
        LONG status = m_store->QueryValue(valueName, &entry.number);
        if (status != 0) throw CommandError("cannot read " + Name() + ": " + DescribeStatus(status));
    } else if (entry.kind == REG_SZ) {
        entry.text = ReadText(valueName);
    }
    return entry;
}

// The whole text of a string: a file store cuts a text silently to the
// buffer, the registry refuses a short buffer; either way a bigger one is tried.
std::u16string SettingsStore::ReadText(LPCWSTR name)
{
    constexpr size_t kLargest = size_t{1} << 26;
    std::u16string buffer(256, u'\0');
    for (;;) {
        LONG status = m_store->QueryValue(name, buffer.data(), static_cast<ULONG>(buffer.size()));
        if (status == 0) {
            size_t length = wcslen(buffer.c_str());
            if (length + 1 < buffer.size()) {
                buffer.resize(length);
                return buffer;
            }
        } else if (status != -static_cast<LONG>(ERROR_MORE_DATA)) {
            throw CommandError("cannot read " + Name() + ": " + DescribeStatus(status));
        }
        if (buffer.size() >= kLargest) throw CommandError("a value of " + Name() + " is too long to read");
        buffer.assign(buffer.size() * 4, u'\0');
    }
}

// Appends the open key's section and values. The names are enumerated one by
// one: in a file they can be longer than a registry name, which is all that
// ValueNames() makes room for.
void SettingsStore::CollectKey(const std::u16string& section, std::vector<SettingsKeyValues>& out)
{
    constexpr ULONG kLongestName = 8192;  // a file's lines are shorter
    SettingsKeyValues key{section, {}};
    std::u16string buffer(kLongestName + 1, u'\0');
    for (LONG i = 0;; ++i) {
        LONG status = m_store->ValueName(i, buffer.data(), kLongestName + 1);
        if (status == static_cast<LONG>(ERROR_NO_MORE_ITEMS)) break;
        if (status != 0) throw CommandError("cannot read " + Name() + ": " + DescribeStatus(status));
        std::u16string name(buffer.c_str());
        if (IsRegistry() && name.empty()) name = u"@";  // the key's default value
        ULONG kind = 0;
        if (m_store->QueryValueType(ValueName(name), &kind) != 0) continue;
        key.values.push_back(ReadOpen(name, kind));
    }
    out.push_back(std::move(key));
}

bool SettingsStore::CollectRegistryTree(HKEY root, const std::u16string& subkey, std::vector<SettingsKeyValues>& out)
{
    if (m_store->Exists(root, subkey.c_str()) != 1) return false;
    SettingsKey key;
    key.root = root;
    key.subkey = subkey;
    CollectKey(key.Section(), out);
    std::unique_ptr<CeStrList<WCHAR*>> children(m_store->SubKeyNames());
    for (int i = 0; children && i < children->GetCount(); ++i) {
        std::u16string child = children->GetAt(i);
        CollectRegistryTree(root, subkey.empty() ? child : subkey + u"\\" + child, out);
    }
    return true;
}

std::optional<std::vector<SettingsKeyValues>> SettingsStore::ReadTree(const SettingsKey* key)
{
    std::vector<SettingsKeyValues> tree;
    if (IsRegistry()) {
        bool found =
            key ? CollectRegistryTree(key->root, key->subkey, tree) : CollectRegistryTree(HKEY_CURRENT_USER, u"", tree);
        if (!found) return std::nullopt;
        return tree;
    }
    std::unique_ptr<CeStrList<WCHAR*>> sections(m_store->SubKeyNames());
    const std::u16string base = key ? key->Section() : u"";
    for (int i = 0; sections && i < sections->GetCount(); ++i) {
        std::u16string section = sections->GetAt(i);
        if (key && !InTree(section, base)) continue;
        if (m_store->Exists(nullptr, section.c_str()) != 1) continue;
        CollectKey(section, tree);
    }
    if (key && tree.empty()) return std::nullopt;
    return tree;
}

void SettingsStore::Save()
{
    if (IsRegistry()) {
        if (m_store->KeyRef() == -1) return;  // every change is committed as it is made
        LONG status = m_store->FlushKey();
        if (status != 0) throw CommandError("cannot write the registry: " + DescribeStatus(status));
        return;
    }
    LONG status = m_store->SaveINIFile(1);
    if (status == E_FAIL) throw CommandError("cannot save " + Name() + ": " + LastErrorText());
    if (status != 0) throw CommandError("cannot save " + Name() + ": " + DescribeStatus(status));
    m_file->Publish();
}

}  // namespace kstools
