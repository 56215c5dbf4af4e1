// The text functions on arbitrary input: the first bytes choose the
// arguments, the rest is UTF-16 text. Each call must stay inside its buffers
// (the sanitizers watch) and keep the properties checked below.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/file_name_text.h"
#include "foundation/string_functions.h"
#include "foundation/string_tokenizer.h"
#include "foundation/url_encode.h"
#include "platform/text/wide_string.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const int start = static_cast<int8_t>(data[0]);
    const int field = data[1] % 16;
    const bool caseSensitive = data[2] & 1;
    const int capacity = data[3];
    std::u16string units((size - 4) / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data + 4, units.size() * 2);
    std::u16string text = units.substr(0, units.find(u'\0'));
    const WCHAR* s = text.c_str();
    const WCHAR sep = text.empty() ? u',' : text[0];
    std::u16string find = text.substr(0, text.size() % 4);

    // ReplaceStr: replacing with the text found is the identity for
    // case-sensitive search.
    WCHAR* replaced = ReplaceStr(s, find.c_str(), u"<>", start, caseSensitive);
    Check(replaced != nullptr);
    std::free(replaced);
    WCHAR* same = ReplaceStr(s, find.c_str(), find.c_str(), start, 1);
    Check(same && text == same);
    std::free(same);

    // Split and SubStr agree field by field.
    std::unique_ptr<CeStrList<WCHAR*>> list(Split(s, sep));
    Check(list && list->GetCount() == SubStrCount(s, sep));
    int n = 1;
    for (WCHAR* item : *list) {
        WCHAR* sub = SubStr(s, n++, sep);
        Check(sub && item && std::u16string(sub) == item);
        std::free(sub);
    }
    WCHAR* beyond = SubStr(s, list->GetCount() + 1 + field, sep);
    Check(beyond == nullptr);

    // UrlEncode never writes past its capacity.
    std::vector<WCHAR> out(static_cast<size_t>(capacity) + 1, u'#');
    UrlEncode(s, out.data(), capacity);
    Check(out[static_cast<size_t>(capacity)] == u'#');
    if (capacity > 0) Check(wcslen(out.data()) < static_cast<size_t>(capacity));

    // After cleaning, nothing is left to find.
    std::u16string name = text;
    int len = FilenameContrabandCleaner(name.data(), 0);
    Check(len <= 225 && len == static_cast<int>(std::min<size_t>(text.size(), 225)));
    Check(FilenameContrabandCleaner(name.data(), 1) == 0);

    std::free(MidStr(s, start, field - 2));
    std::free(LeftStr(s, start));
    std::free(RightStr(s, start));
    return 0;
}
