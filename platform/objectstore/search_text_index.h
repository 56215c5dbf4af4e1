// The search text of the object store's records: an extension of this
// platform (no device has it) that lets a text search skip records that
// cannot hold the text.
//
// Every record has one search text: its string properties, each folded the
// way searches fold text (_wcslwr), joined by kSearchTextSeparator, which no
// search piece can match across. The store keeps it in the same transaction
// as every write, delete and database delete, and fills it for volumes made
// before it existed when they are first opened.
#pragma once

#include <string>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

inline constexpr WCHAR kSearchTextSeparator = u'\u0001';

// CeFindSearchTextOids flag: a piece also counts as found where the search
// text holds it with blanks, '-', '(' and ')' between its characters (the
// dialable form of a telephone number).
inline constexpr DWORD CEDB_SEARCHTEXT_PHONEFORMS = 0x00000001;

// The OIDs, in ascending order, of the records of db's database whose
// search text holds every one of pieces (each folded first; an empty list
// or empty pieces: every record). A piece is cut at an unpaired surrogate,
// which a search text never holds as such. Records written by a program
// that keeps no search text are listed too, whatever the pieces: the caller
// checks every record it gets in full. FALSE with the last error set for a
// bad handle or argument, a failed read, or ERROR_INVALID_FUNCTION when the
// volume has no search text of this version (its fill failed).
KSTOOLS_API BOOL CeFindSearchTextOids(HANDLE db, const std::vector<std::u16string>& pieces, DWORD flags,
                                      std::vector<CEOID>* oids);

// Narrows what db's handle reads forward to the records whose search text
// holds every one of pieces (as CeFindSearchTextOids finds them), and puts
// the handle before the first of them: reads with CEDB_AUTOINCREMENT, and
// seeks forward from the current record, then visit those records in
// ascending OID order, each read in the same pass as its search text. Any
// other seek lifts the narrowing. For handles opened in OID order only.
// FALSE with the last error set for a bad handle or argument.
KSTOOLS_API BOOL CeRestrictToSearchText(HANDLE db, const std::vector<std::u16string>& pieces, DWORD flags);
