// A registry key as a person types it on the command line, e.g.
// "HKEY_CURRENT_USER\Software\Corvid\Kestrel\TV".
#pragma once

#include <string>

#include "platform/files/registry.h"

namespace kstools {

struct SettingsKey {
    std::string text;  // as typed, for messages
    HKEY root = HKEY_CURRENT_USER;
    std::u16string subkey;  // empty: the root key itself

    // The name of the key's section in a settings file ("HKEY_CURRENT_USER\...").
    std::u16string Section() const;
    // The full key name for messages, without the section's trailing
    // backslash of a root key.
    std::string Display() const;
};

// The key begins with a root name (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_USERS; any case); without one it lies under
// HKEY_CURRENT_USER. A forward slash separates like a backslash, and
// separators at the end are dropped. Another name beginning "HKEY_" is a
// mistyped root: CommandError with kExitUsage.
SettingsKey ParseSettingsKey(const std::string& text);

}  // namespace kstools
