// Sort keys: byte strings whose memcmp order (a shorter string first when one
// is a prefix of the other, as SQLite orders blobs) is a sort order's order.
//
// A key is one byte telling whether the record has the property (records
// without it go last, or first with CEDB_SORT_UNKNOWNFIRST, whatever the
// direction), then the value encoded so that byte order is value order:
// integers big-endian with the sign bit flipped, doubles by their bits (all
// bits flipped for negatives), file times as 64-bit unsigned, strings as ICU
// collation keys (secondary strength, ignoring case, for
// CEDB_SORT_CASEINSENSITIVE; tertiary otherwise), blobs with their zero bytes
// escaped. No encoded value is a prefix of another, so flipping every bit of
// it turns the order around exactly: that is CEDB_SORT_DESCENDING.
//
// Strings collate with one locale per volume (the user's when the keys were
// built); CEDB_SORT_GENERICORDER uses the root collation, which no locale
// changes.
#pragma once

#include <string>

#include "platform/objectstore/cedb_record_codec.h"

namespace platform::cedb {

constexpr DWORD kKnownSortFlags =
    CEDB_SORT_DESCENDING | CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_UNKNOWNFIRST | CEDB_SORT_GENERICORDER;

class SortKeyBuilder {
public:
    // icuLocale: the ICU locale ID strings collate with ("de_DE").
    explicit SortKeyBuilder(std::string icuLocale) : locale_(std::move(icuLocale)) {}

    // The key of a record holding `prop` (null: the record lacks the property).
    std::string RecordKey(const SORTORDERSPEC& order, const StoredProp* prop) const;
    // Every key of a record that has the property lies in [PresentLow, PresentHigh).
    static std::string PresentLow(const SORTORDERSPEC& order);
    static std::string PresentHigh(const SORTORDERSPEC& order);

    const std::string& Locale() const { return locale_; }
    // Names the collation keys are built with: locale and ICU collation
    // version. Keys stored under another identity must be built again.
    static std::string CollationIdentity(const std::string& icuLocale);

private:
    std::string locale_;
};

}  // namespace platform::cedb
