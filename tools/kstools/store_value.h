// How kstools store shows what the object store holds: property values,
// identifiers, sort flags and file times, as text for people and as typed
// JSON for programs.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/cedb.h"

namespace kstools {

// "0x" and eight upper-case hexadecimal digits.
std::string HexId(DWORD id);
// The value type's name without its CEVT_ prefix ("LPWSTR"), or "0x0099"
// for a type the engine does not know.
std::string TypeName(WORD type);
// "descending", "case-insensitive", "unknown-first", "generic-order" and
// "0x00000010" for any other bit, in bit order.
std::vector<std::string> SortFlagNames(DWORD flags);
// A file time as ISO 8601 in UTC ("2024-03-05T10:00:00Z", with the fraction
// of a second when there is one), or its raw hexadecimal value when it is no
// date at all (2^63 and above).
std::string FileTimeText(const FILETIME& time);

// A property's value for a person: numbers in decimal, a double in its
// shortest exact form, "true"/"false", a string quoted and escaped as in
// JSON, a file time as FileTimeText, a blob as spaced hexadecimal bytes
// ("0A FF"). Empty for an unknown type.
std::string ValueText(const CEPROPVAL& prop);
// The same typed: JSON numbers, booleans and strings (a file time as
// FileTimeText, a blob as unspaced hexadecimal); null for an unknown type.
nlohmann::ordered_json ValueJson(const CEPROPVAL& prop);

// An OID typed as decimal or 0x-hexadecimal; 0 only where zeroAllowed (it
// names no record). Throws CommandError (exit 2) for anything else.
CEOID ParseOid(const std::string& text, bool zeroAllowed = false);

}  // namespace kstools
