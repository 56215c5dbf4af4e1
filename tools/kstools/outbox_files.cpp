#include "tools/kstools/outbox_files.h"

#include <algorithm>
#include <cstdio>

#include "platform/files/find_files.h"
#include "platform/objectmodel/outlook_folder.h"
#include "platform/text/utf8.h"

namespace kstools {

std::vector<std::string> OutboxFiles()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const std::u16string pattern = std::u16string(kInfraredOutbox) + u"\\*";
    const platform::FindHandle find(FindFirstFileW(pattern.c_str(), &found));
    if (!find.Valid()) return names;
    do {
        names.push_back(WideToUtf8(found.cFileName));
    } while (FindNextFileW(find.Get(), &found));
    return names;
}

void PrintNewOutboxFiles(const std::vector<std::string>& before)
{
    for (const std::string& name : OutboxFiles())
        if (std::find(before.begin(), before.end(), name) == before.end())
            std::printf("%s\\%s\n", WideToUtf8(kInfraredOutbox).c_str(), name.c_str());
}

}  // namespace kstools
