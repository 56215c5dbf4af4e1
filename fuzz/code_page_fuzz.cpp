// Code page conversions over arbitrary input: sizes asked for match sizes
// produced, Windows-1252 round-trips every byte string, and nothing overruns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const UINT pages[] = {CP_ACP, CP_UTF8, CP_OEMCP, 1250};
    UINT cp = pages[data[0] % 4];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    int n = static_cast<int>(size - 1);
    if (n == 0) return 0;

    int needed = MultiByteToWideChar(cp, 0, bytes, n, nullptr, 0);
    if (needed <= 0) std::abort();
    std::vector<WCHAR> wide(static_cast<size_t>(needed));
    if (MultiByteToWideChar(cp, 0, bytes, n, wide.data(), needed) != needed) std::abort();
    if (needed > 1 && MultiByteToWideChar(cp, 0, bytes, n, wide.data(), needed - 1) != 0) std::abort();

    int back = WideCharToMultiByte(cp, 0, wide.data(), needed, nullptr, 0, nullptr, nullptr);
    if (back <= 0) std::abort();
    std::vector<char> narrow(static_cast<size_t>(back));
    if (WideCharToMultiByte(cp, 0, wide.data(), needed, narrow.data(), back, nullptr, nullptr) != back) std::abort();
    if (cp == CP_ACP && std::string(narrow.begin(), narrow.end()) != std::string(bytes, static_cast<size_t>(n)))
        std::abort();

    // The input read as UTF-16 units, converted to 8 bits.
    std::vector<WCHAR> units(static_cast<size_t>(n) / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] =
            static_cast<WCHAR>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    if (!units.empty()) {
        int m = WideCharToMultiByte(cp, 0, units.data(), static_cast<int>(units.size()), nullptr, 0, nullptr, nullptr);
        if (m <= 0) std::abort();
        std::vector<char> out(static_cast<size_t>(m));
        if (WideCharToMultiByte(cp, 0, units.data(), static_cast<int>(units.size()), out.data(), m, nullptr, nullptr) !=
            m)
            std::abort();
    }
    return 0;
}
