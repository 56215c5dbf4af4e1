// CFullCategory: one record of the category database as the library keeps it
// in memory: the name, the bit index the category has in category blobs, the
// record's OID, the numbers of properties 0x4003 to 0x4006, and whether the
// category is shown in pickers. GetCategories selects by the numbers of
// 0x4006, 0x4005 and 0x4004 (its mask bits 1, 2 and 4: a category is named
// when one of the masked numbers is at least 1); 0x4003 is only carried.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

class KSTOOLS_API CFullCategory {
public:
    CFullCategory() = default;
    // The name is copied; a null name is kept as null.
    CFullCategory(const WCHAR* name, SHORT index, CEOID oid);
    CFullCategory(const CFullCategory&) = delete;
    CFullCategory& operator=(const CFullCategory&) = delete;
    ~CFullCategory();

    // A new category with the same values and its own copy of the name; null
    // when memory runs out.
    CFullCategory* Copy() const;
    // Replaces the name by a copy of name (null allowed).
    void SetName(const WCHAR* name);

    WCHAR* m_name = nullptr;  // owned, malloc'ed
    SHORT m_index = -1;       // bit number in blobs; negative: none
    CEOID m_oid = 0;
    SHORT m_prop4003 = 1;  // carried, read by nothing
    SHORT m_prop4006 = 0;  // at least 1: named under mask bit 1
    SHORT m_prop4005 = 0;  // at least 1: named under mask bit 2
    SHORT m_prop4004 = 0;  // at least 1: named under mask bit 4
    bool m_shown = true;
};

// Orders categories by name in the user locale's case-sensitive collation; a
// null entry (or a null name) sorts after every other one. Shaped for
// CePtrList::Sort.
KSTOOLS_API int FullCategoryCompareFunc(CFullCategory* const& a, CFullCategory* const& b, unsigned long param);
