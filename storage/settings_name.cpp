#include "storage/settings_name.h"

#include "platform/wide_string.h"

namespace settings {
namespace {

// ASCII is by far the common case; only other units go through the table.
inline WCHAR Fold(WCHAR c)
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 0x20) : c;
    return towlower(c);
}

}  // namespace

bool NamesEqual(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

std::uint64_t NameHash(std::u16string_view name)
{
    // FNV-1a over the folded units.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (WCHAR c : name) {
        hash ^= Fold(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace settings
