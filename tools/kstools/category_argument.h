// --category NAME of the list commands: restricts a loader to the items of
// one category, found by name in any case.
#pragma once

#include <string>

class CKSDataThread;

namespace kstools {

// Throws CommandError (exit 1) when no category has that name.
void SelectCategory(CKSDataThread& loader, const std::string& name);

}  // namespace kstools
