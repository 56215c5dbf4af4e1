#include "tools/kstools/cli_context.h"

#include <cstdlib>

namespace kstools {

void CliContext::ApplyToEnvironment() const
{
    if (!home.empty()) setenv("KSTOOLS_HOME", home.c_str(), 1);
    if (!now.empty()) setenv("KSTOOLS_NOW", now.c_str(), 1);
    if (!locale.empty()) setenv("KSTOOLS_LOCALE", locale.c_str(), 1);
}

}  // namespace kstools
