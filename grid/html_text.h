// Free functions of the mark-up's vocabulary: closing tags, entities, plain
// text, and colours written as a number sign and six hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/types.h"
#include "platform/gdi/gdi_types.h"

// Copies `open` to `out`, writing "/" after every "<": "<B><I>" gives
// "</B></I>" (same order). `out` holds the input's length plus one character
// per "<" plus the terminator. A null input gives an empty output.
void CloseTags(const WCHAR* open, WCHAR* out);

// The character of an entity written with its "&" and ";": the HTML 4
// Latin-1 names (code points 160-255) and "&quot;", "&amp;", "&lt;", "&gt;",
// each also as "&#NNN;" with exactly its decimal number (no leading zeros,
// no hexadecimal form). Names compare without regard to case, except that
// of two names differing only in case ("&Eacute;", "&eacute;") each keeps its
// own. 0 when unknown.
WCHAR GetHTMLEntity(const WCHAR* name);

// The plain text of a mark-up string: tags dropped (an unterminated one drops
// the rest), known entities decoded, everything else (line breaks included)
// kept. A new block to release with free; null only when memory runs out.
WCHAR* HTMLToText(const WCHAR* html);

// "#RRGGBB" (upper-case hex) into buf; returns 7. 0, with nothing written,
// when buf is null or cch is below 8.
int ColorRefToHTML(COLORREF color, WCHAR* buf, int cch);

// Any number of leading "#", then 1 to 7 hex digits to the end of the text,
// read as one number whose low 24 bits are RRGGBB ("#FFF" is red 0, green
// 0x0F, blue 0xFF). False, with *color unchanged, for anything else.
bool HTMLToColorRef(const WCHAR* text, DWORD* color);

// An item summary's mark-up as the text its picture shows: tags dropped, entities decoded, text the user
// typed kept as typed ('<' marked by a following zero-width space, and '&', included), a picture that
// opens a line going with the blanks after it, the line breaks before the first text left out. Empty
// when memory runs out.
std::u16string SummaryPlainText(std::u16string_view markup);
