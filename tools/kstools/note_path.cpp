#include "tools/kstools/note_path.h"

#include "platform/text/utf8.h"

namespace kstools {

std::u16string NoteDevicePath(const std::string& text)
{
    std::u16string path = Utf8ToWide(text);
    for (char16_t& c : path) c = c == u'/' ? u'\\' : c;
    while (path.size() > 1 && path.back() == u'\\') path.pop_back();
    if (!path.empty() && path[0] != u'\\') path.insert(path.begin(), u'\\');
    return path;
}

}  // namespace kstools
