// SearchPattern: the typed text of a search, prepared once and matched
// against many fields. The text is kept lower-cased; with "*" or "?" in it
// the text becomes a wildcard pattern (see foundation/wildmat.h), framed by
// "*" on both sides when it may match anywhere and followed by "*" when it
// must match at the start. "*" alone matches every non-empty field.
//
// Names may also be compared by their Soundex code. The code used here is
// this suite's variant of the classic algorithm: vowels are coded as 0
// instead of being dropped, the first letter is kept as typed, and codes are
// not padded, so Robert and Rupert both give R010 and Lee gives L0.
//
// Fields are handed over preceded by one space (gathered fields are joined
// by spaces), the way the search builds them in its reused buffer; the
// field text is lower-cased in place.
#pragma once

#include <string>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

// The longest search text accepted; a longer one is refused rather than
// matched (a pattern that long would make every field cost its length times
// the text's).
inline constexpr int kSearchMaxTextChars = 1024;
// A Soundex code: four characters and a terminator.
inline constexpr int kSoundexChars = 5;

// Fills code (kSoundexChars) with word's Soundex code; returns its length,
// 0 for an empty or null word or one without a letter the code knows.
KSTOOLS_API int SoundexCode(const WCHAR* word, WCHAR* code);

class KSTOOLS_API SearchPattern {
public:
    // Prepares text (null or empty: matches nothing). anywhere: the text may
    // match anywhere in a field, else only at its start. soundex: also
    // compare Soundex codes, switched off when the text has no code. False
    // when the text is missing or longer than kSearchMaxTextChars.
    bool Prepare(const WCHAR* text, bool anywhere, bool soundex);
    void Clear();

    bool Empty() const { return m_text.empty(); }
    bool Wildcard() const { return m_bWildcard; }
    bool MatchAll() const { return m_bMatchAll; }
    bool Anywhere() const { return m_bAnywhere; }
    bool UsesSoundex() const { return m_bSoundex; }
    // The lower-case text or pattern, and the Soundex code ("" when off).
    const std::u16string& Text() const { return m_text; }
    const std::u16string& Code() const { return m_code; }

    // Matches a field: field is " " + the field's text (or, with soundex,
    // " " + the field's Soundex code), lower-cased here in place. An empty
    // field never matches; under match-all every other field does.
    bool MatchField(WCHAR* field, bool soundex) const;
    // MatchField after the quick look: a field the look decides is neither
    // lower-cased nor matched again. Soundex codes go straight to MatchField.
    bool MatchFieldQuickly(WCHAR* field, bool soundex) const;
    // Matches a note's whole text (lower-cased here in place).
    bool MatchNoteText(WCHAR* text) const;
    // What a quick look at a field tells of MatchField (soundex off), taken
    // before the field is lower-cased.
    enum class Look { kNo, kMaybe, kYes };
    // kNo only when MatchField cannot match the field; kYes only when it
    // surely does. Any match needs the longest literal run of the text
    // (between wildcards) to appear in the lower-cased field; a field of
    // plain ASCII is lower-cased by folding A-Z alone, so the run is looked
    // for that way, without copying. A plain ASCII text matched anywhere is
    // the run itself: finding it decides the match, whatever else the field
    // holds. A field with other characters, and start-anchored plain texts
    // (compared ignoring symbols and accents), always may match.
    Look QuickLook(const WCHAR* field) const;
    // The literal pieces of the text (lower-case, split at blanks and at
    // the wildcards), every one of which a field that MatchField takes
    // (soundex off) holds; empty when a match needs none: match-all, a
    // start-anchored plain text (compared ignoring symbols and accents), a
    // text of only blanks and wildcards.
    std::vector<std::u16string> LiteralPieces() const;

private:
    bool MatchStart(const WCHAR* text, const std::u16string& wanted) const;

    std::u16string m_text;
    std::u16string m_code;
    std::u16string m_literal;  // the run QuickLook looks for; empty: no quick look
    bool m_bLiteralDecides = false;  // finding m_literal is a match (QuickLook)
    bool m_bWildcard = false;
    bool m_bMatchAll = false;
    bool m_bAnywhere = true;
    bool m_bSoundex = false;
};
