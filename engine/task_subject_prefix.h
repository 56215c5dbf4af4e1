// TaskSubjectPrefix: the priority code a task keeps in front of its subject,
// "A1: Call Bob", "C3|14: Pay rent" or "|7: Water plants": a priority letter,
// an optional one- or two-digit priority number, and after "|" the number of
// days after which a completed task comes back (regeneration days). The code
// ends at the first ':', and one space after it belongs to the code too.
#pragma once

#include "platform/base/types.h"

// Characters of the letter and number buffers, terminator included.
inline constexpr int kTaskPrefixBufferChars = 4;

class TaskSubjectPrefix {
public:
    // Splits the code off subject. letter and number (each at least
    // kTaskPrefixBufferChars long) receive the priority letter and the
    // digits of the priority number ("0" followed by a digit gives that
    // digit alone), "" when absent; days receives the regeneration days, 0
    // when there are none. When a code was found subject is moved forward to
    // the text after it and the result is true; otherwise subject is left
    // as it was and the result is false (letter and number are then "" and
    // days 0). A null subject counts as one without a code; null letter or
    // number buffers are not written.
    //
    // The letter is any letter (Unicode); digits are '0' to '9'.
    static bool Parse(WCHAR*& subject, WCHAR* letter, WCHAR* number, int& days);

    // The value of the decimal digits at text, read up to the first
    // character that is not one or up to end (exclusive), whichever comes
    // first; 0 when there is no digit. Values beyond the range of int stop
    // growing at its maximum.
    static int ParseInt(const WCHAR* text, const WCHAR* end);
};
