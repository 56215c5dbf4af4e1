#include "platform/locale/icu_sort_key.h"

#include <cstdint>

namespace platform {

bool AppendIcuSortKey(const icu::Collator& collator, std::u16string_view text, std::string& out)
{
    const auto length = static_cast<int32_t>(text.size());
    std::uint8_t room[128];
    const int32_t needed = collator.getSortKey(text.data(), length, room, static_cast<int32_t>(sizeof room));
    if (needed <= 0) return false;
    if (static_cast<size_t>(needed) <= sizeof room) {
        out.append(reinterpret_cast<const char*>(room), static_cast<size_t>(needed - 1));
        return true;
    }
    const size_t base = out.size();
    out.resize(base + static_cast<size_t>(needed));
    if (collator.getSortKey(text.data(), length, reinterpret_cast<std::uint8_t*>(out.data() + base), needed) !=
        needed) {
        out.resize(base);
        return false;
    }
    out.resize(base + static_cast<size_t>(needed - 1));
    return true;
}

}  // namespace platform
