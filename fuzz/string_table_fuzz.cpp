// Parsing arbitrary string table text: never crashes, every id found is in
// range and has its text, and every line is either a string, skipped on
// purpose (blank or comment) or reported.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/modules/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<int> bad;
    StringTable table = StringTable::Parse(text, &bad);
    std::vector<UINT> ids = table.ids();
    if (ids.size() != table.size()) std::abort();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] > 0xFFFF || !table.find(ids[i])) std::abort();
        if (i && ids[i - 1] >= ids[i]) std::abort();
    }
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    if (ids.size() + bad.size() > lines + 1) std::abort();
    for (size_t i = 1; i < bad.size(); ++i)
        if (bad[i - 1] >= bad[i]) std::abort();
    return 0;
}
