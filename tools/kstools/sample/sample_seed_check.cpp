#include "tools/kstools/sample/sample_seed_check.h"

#include <fmt/format.h>

#include "platform/text/utf8.h"
#include "tools/kstools/cli_context.h"

namespace kstools {

void CheckSeedResult(HRESULT hr, std::string_view what)
{
    if (SUCCEEDED(hr)) return;
    throw CommandError(fmt::format("cannot {}: error 0x{:08X}", what, static_cast<std::uint32_t>(hr)));
}

std::string SeedItemName(std::string_view kind, std::u16string_view subject)
{
    return fmt::format("{} \"{}\"", kind, WideToUtf8(subject));
}

}  // namespace kstools
