// Priority codes split off arbitrary task subjects. The input's 16-bit units,
// cut at the first 0 unit, are the subject. Besides running clean under the
// sanitizers: the plain subject is always a suffix of the input that starts
// right after the first ':' (or one space after it) within the first nine
// characters; letter and number are terminated within their buffers and hold
// at most one letter and two digits; the days come from at most six digits;
// and a subject without a code comes back untouched with everything empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/task_subject_prefix.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

size_t TerminatedLength(const WCHAR* buffer)
{
    for (size_t i = 0; i < kTaskPrefixBufferChars; ++i) {
        if (buffer[i] == 0) return i;
    }
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    units = units.substr(0, units.find(u'\0'));
    const std::u16string original = units;

    WCHAR* begin = units.data();
    WCHAR* subject = begin;
    WCHAR letter[kTaskPrefixBufferChars] = {u'x', u'x', u'x', u'x'};
    WCHAR number[kTaskPrefixBufferChars] = {u'x', u'x', u'x', u'x'};
    int days = -1;
    const bool split = TaskSubjectPrefix::Parse(subject, letter, number, days);

    const size_t letterLength = TerminatedLength(letter);
    const size_t numberLength = TerminatedLength(number);
    Check(letterLength <= 1 && numberLength <= 2);
    for (size_t i = 0; i < numberLength; ++i) Check(number[i] >= u'0' && number[i] <= u'9');
    Check(days >= 0 && days <= 999999);
    Check(units == original);

    if (!split) {
        Check(subject == begin && letterLength == 0 && numberLength == 0 && days == 0);
        return 0;
    }
    const size_t skipped = static_cast<size_t>(subject - begin);
    Check(skipped >= 2 && skipped <= original.size() && skipped <= 9);
    const size_t colon = original.find(u':');
    Check(colon != std::u16string::npos && colon > 0);
    Check(skipped == colon + 1 || (skipped == colon + 2 && original[colon + 1] == u' '));
    Check(original.compare(skipped, std::u16string::npos, subject) == 0);
    // The letter, when there is one, is the first character.
    if (letterLength == 1)
        Check(letter[0] == original[0]);
    else
        Check(original[0] == u'|');

    // The plain subject parses again without trouble.
    WCHAR* again = subject;
    int moreDays = 0;
    TaskSubjectPrefix::Parse(again, letter, number, moreDays);
    Check(again >= subject && again <= begin + original.size());
    return 0;
}
