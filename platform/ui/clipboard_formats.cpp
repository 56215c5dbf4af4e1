#include "platform/ui/clipboard_formats.h"

#include <mutex>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/text/wide_string.h"

namespace {

constexpr UINT kFirstRegisteredFormat = 0xC000;

std::mutex& FormatsLock()
{
    static std::mutex lock;
    return lock;
}

// Index i holds the name of format kFirstRegisteredFormat + i.
std::vector<std::u16string>& FormatNames()
{
    static std::vector<std::u16string> names;
    return names;
}

}  // namespace

UINT RegisterClipboardFormatW(LPCWSTR name)
{
    if (name == nullptr || name[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard hold(FormatsLock());
    auto& names = FormatNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (_wcsicmp(names[i].c_str(), name) == 0) return kFirstRegisteredFormat + static_cast<UINT>(i);
    }
    names.emplace_back(name);
    return kFirstRegisteredFormat + static_cast<UINT>(names.size() - 1);
}
