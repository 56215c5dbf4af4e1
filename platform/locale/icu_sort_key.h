// A collator's sort key as bytes: the one place the library asks ICU for one.
#pragma once

#include <unicode/coll.h>

#include <string>
#include <string_view>

namespace platform {

// Appends the collation key of text under collator to out (ICU's
// terminating 0 left off). False, out unchanged, when ICU fails.
bool AppendIcuSortKey(const icu::Collator& collator, std::u16string_view text, std::string& out);

}  // namespace platform
