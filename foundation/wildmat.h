// Wildcard matching of UTF-16 text: '*' matches any run of characters (also
// none), '?' any one character, '\\' makes the next pattern character
// literal, every other character matches itself (case-sensitive). There are
// no character classes.
#pragma once

#include "platform/base/types.h"

// Results of DoMatch and Star.
constexpr int WILDMAT_MATCH = 1;
constexpr int WILDMAT_NOMATCH = 0;
// The text ran out while the pattern still wanted characters: no later start
// position of an enclosing '*' can match either, so the search stops.
constexpr int WILDMAT_ABORT = -1;

// True only when DoMatch gives a match. A pattern beginning with '?' or '*'
// never matches a text beginning with '.'. Null text or pattern: no match.
bool wildmat(const WCHAR* text, const WCHAR* pattern);
int DoMatch(const WCHAR* text, const WCHAR* pattern);
// Tries DoMatch of pattern (the part after a '*') at successive text positions.
int Star(const WCHAR* text, const WCHAR* pattern);
