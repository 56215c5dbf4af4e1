#include "foundation/duration_text.h"

#include "platform/modules/string_resources.h"
#include "platform/text/wide_string.h"

namespace {

constexpr UINT kHours = 42152;
constexpr UINT kHour = 42153;
constexpr UINT kMinutes = 42154;
constexpr UINT kMinute = 42155;
constexpr UINT kDay = 42460;
constexpr UINT kDays = 42474;
constexpr int kWordChars = 45;

// "%d %s" (or "(%d %s)") of count with the singular or plural word; empty for 0.
void Part(WCHAR* out, int count, UINT singular, UINT plural, bool bracketed)
{
    out[0] = 0;
    if (count == 0) return;
    WCHAR word[kWordChars] = {};
    LoadStringW(GetModuleHandleW(nullptr), count == 1 ? singular : plural, word, kWordChars);
    _snwprintf(out, 2 * kWordChars, bracketed ? u"(%d %s)" : u"%d %s", count, word);
    out[2 * kWordChars - 1] = 0;
}

}  // namespace

void FormatDurationString(LPWSTR out, int size, int minutes, BOOL withDays)
{
    if (!out || size <= 0) return;
    out[0] = 0;
    if (minutes <= 0) return;
    int days = withDays ? minutes / 1440 : 0;
    int hours = (minutes - days * 1440) / 60;
    int rest = minutes % 60;
    WCHAR dayText[2 * kWordChars], hourText[2 * kWordChars], minuteText[2 * kWordChars];
    Part(dayText, days, kDay, kDays, true);
    Part(hourText, hours, kHour, kHours, false);
    Part(minuteText, rest, kMinute, kMinutes, false);
    _snwprintf(out, static_cast<size_t>(size), u"%s %s %s", dayText, hourText, minuteText);
    out[size - 1] = 0;
}
