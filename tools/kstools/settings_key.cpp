#include "tools/kstools/settings_key.h"

#include <algorithm>
#include <vector>

#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"
#include "tools/kstools/cli_context.h"

namespace kstools {
namespace {

const char16_t* const kRootNames[] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"};

bool StartsWithNoCase(const std::u16string& text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && _wcsnicmp(text.c_str(), std::u16string(prefix).c_str(), prefix.size()) == 0;
}

}  // namespace

std::u16string SettingsKey::Section() const
{
    std::vector<WCHAR> buffer(subkey.size() + 32);
    CRegistry::SectionName(root, subkey.c_str(), buffer.data(), buffer.size());
    return buffer.data();
}

std::string SettingsKey::Display() const
{
    std::string name = WideToUtf8(Section());
    if (subkey.empty() && !name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

SettingsKey ParseSettingsKey(const std::string& text)
{
    SettingsKey key;
    key.text = text;
    std::u16string path = Utf8ToWide(text);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    while (!path.empty() && path.back() == u'\\') path.pop_back();

    std::u16string first = path.substr(0, path.find(u'\\'));
    bool rooted = std::any_of(std::begin(kRootNames), std::end(kRootNames), [&](const char16_t* name) {
        return first.size() == std::char_traits<char16_t>::length(name) && StartsWithNoCase(first, name);
    });
    if (rooted) {
        LPCWSTR subkey = nullptr;
        key.root = CRegistry::GetSectionKey(path.c_str(), &subkey);
        if (subkey) key.subkey = subkey;
    } else if (StartsWithNoCase(first, u"HKEY_")) {
        throw CommandError(
            "unknown root key " + WideToUtf8(first) +
                " (the roots are HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS)",
            kExitUsage);
    } else {
        key.subkey = path;  // under HKEY_CURRENT_USER
    }
    return key;
}

}  // namespace kstools
