#include "foundation/file_name_text.h"

#include <cstdlib>
#include <cstring>

#include "foundation/string_functions.h"
#include "platform/text/wide_string.h"

namespace {

// The longest name length the cleaner reports.
constexpr int kMaxCleanedLength = 225;

}  // namespace

bool IsFilenameContraband(WCHAR c)
{
    switch (c) {
        case u'\t':
        case u'\n':
        case u'\r':
        case u'"':
        case u'*':
        case u'/':
        case u':':
        case u'<':
        case u'>':
        case u'?':
        case u'\\':
        case u'|':
            return true;
        default:
            return false;
    }
}

int FilenameContrabandCleaner(WCHAR* s, int checkOnly)
{
    if (!s) return 0;
    if (checkOnly) {
        for (const WCHAR* p = s; *p; ++p) {
            if (IsFilenameContraband(*p)) return 1;
        }
        return 0;
    }
    size_t len = 0;
    for (WCHAR* p = s; *p; ++p, ++len) {
        if (IsFilenameContraband(*p)) *p = u'_';
    }
    return len > kMaxCleanedLength ? kMaxCleanedLength : static_cast<int>(len);
}

WCHAR* JustFileName(const WCHAR* path)
{
    if (!path) return MidStr(u"", 0, 0);
    const WCHAR* slash = wcsrchr(path, u'\\');
    const WCHAR* name = slash ? slash + 1 : path;
    return MidStr(name, 0, -1);
}

WCHAR* JustPath(const WCHAR* path)
{
    if (!path) return MidStr(u"", 0, 0);
    const WCHAR* slash = wcsrchr(path, u'\\');
    if (!slash) return MidStr(u"\\", 0, 1);
    return MidStr(path, 0, static_cast<int>(slash - path) + 1);
}
