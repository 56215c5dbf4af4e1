#include "engine/task_subject_prefix.h"

#include <climits>

#include "platform/text/wide_string.h"

namespace {

bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

// The position of the first c in text, -1 when there is none.
int FirstIndex(const WCHAR* text, WCHAR c)
{
    for (int i = 0; text[i]; ++i) {
        if (text[i] == c) return i;
    }
    return -1;
}

void Clear(WCHAR* letter, WCHAR* number)
{
    if (letter) letter[0] = 0;
    if (number) number[0] = 0;
}

}  // namespace

int TaskSubjectPrefix::ParseInt(const WCHAR* text, const WCHAR* end)
{
    if (!text) return 0;
    int value = 0;
    for (const WCHAR* at = text; at < end && IsDigit(*at); ++at) {
        const int digit = *at - u'0';
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
    }
    return value;
}

bool TaskSubjectPrefix::Parse(WCHAR*& subject, WCHAR* letter, WCHAR* number, int& days)
{
    Clear(letter, number);
    days = 0;
    if (!subject) return false;
    const WCHAR* s = subject;

    const int colon = FirstIndex(s, u':');
    const int bar = FirstIndex(s, u'|');
    // A code is never empty and is short: at most three characters without
    // regeneration days, at most seven with them.
    if (colon <= 0) return false;
    if ((colon >= 4 || bar >= 0) && (bar < 0 || colon >= 8)) return false;

    WCHAR codeLetter = 0;
    WCHAR digits[3] = {0, 0, 0};
    if (bar == 0) {
        // Regeneration days alone: "|7:".
        if (colon == 1 || !IsDigit(s[1])) return false;
    } else {
        if (!iswalpha(s[0])) return false;
        codeLetter = s[0];
        // The letter and number end at '|' when there is one, else at ':'.
        const int codeLength = bar >= 1 ? bar : colon;
        if (codeLength == 3) {
            if (s[1] == u'0' && IsDigit(s[2])) {
                digits[0] = s[2];
            } else if (IsDigit(s[1]) && IsDigit(s[2])) {
                digits[0] = s[1];
                digits[1] = s[2];
            } else {
                return false;
            }
        } else if (IsDigit(s[1])) {
            digits[0] = s[1];
        } else if (codeLength == 2) {
            return false;
        }
    }

    // The days are the digits from '|' up to ':'; a '|' after the ':' is part
    // of the subject and gives none.
    if (bar >= 0 && bar < colon) days = ParseInt(s + bar + 1, s + colon);

    if (letter) {
        letter[0] = codeLetter;
        letter[1] = 0;
    }
    if (number) {
        number[0] = digits[0];
        number[1] = digits[1];
        number[2] = 0;
    }
    WCHAR* rest = subject + colon + 1;
    if (*rest == u' ') ++rest;
    subject = rest;
    return true;
}
