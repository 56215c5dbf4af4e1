#include "platform/time/zone_description.h"

#include <unicode/basictz.h>
#include <unicode/locid.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "platform/time/civil_calendar.h"

namespace platform {
namespace {

constexpr double kMillisPerDay = 86'400'000.0;

std::u16string ToU16(const icu::UnicodeString& s)
{
    return std::u16string(s.getBuffer(), static_cast<size_t>(s.length()));
}

// The wall-clock date of a UTC instant under the given total offset.
civil::Date WallDate(UDate utc, std::int32_t offsetMillis)
{
    const auto days = static_cast<std::int64_t>(std::floor((utc + offsetMillis) / kMillisPerDay));
    return civil::CivilFromDays(days);
}

bool IsDstChange(const icu::TimeZoneTransition& tr, bool intoDst)
{
    const bool fromDst = tr.getFrom()->getDSTSavings() != 0;
    const bool toDst = tr.getTo()->getDSTSavings() != 0;
    return fromDst != toDst && toDst == intoDst;
}

// ICU's rules name "the last <weekday>" even when the day is also the 4th
// one, so "4th Sunday" and "last Sunday" look alike in a year whose 4th
// Sunday is its last. The zone's later transitions in the same direction
// tell them apart: the first year where the two differ decides.
int OccurrenceOfLastRule(const icu::BasicTimeZone& zone, UDate from, bool intoDst, int month, int dayOfWeek)
{
    icu::TimeZoneTransition tr;
    UDate base = from;
    for (int seen = 0; seen < 16 && zone.getNextTransition(base, false, tr); ++seen) {
        base = tr.getTime();
        if (!IsDstChange(tr, intoDst)) continue;
        const std::int32_t before = tr.getFrom()->getRawOffset() + tr.getFrom()->getDSTSavings();
        const civil::Date d = WallDate(tr.getTime(), before);
        const std::int64_t day = civil::DaysFromCivil(d.year, d.month, d.day);
        if (d.month != month || civil::DayOfWeek(day) != dayOfWeek) break;  // the rule changed
        if (d.day > 28) return 5;
        if (d.day + 7 <= civil::DaysInMonth(d.year, d.month)) return (d.day + 6) / 7;
    }
    return 5;
}

// A relative SYSTEMTIME rule for one of the annual rules ICU derived.
std::optional<SYSTEMTIME> RelativeRule(const icu::BasicTimeZone& zone, UDate at, const icu::AnnualTimeZoneRule& rule,
                                       bool intoDst)
{
    const icu::DateTimeRule* dtr = rule.getRule();
    // getSimpleRulesNear describes every transition as the n-th (or last)
    // weekday of its month, at the wall-clock time before it.
    if (!dtr || dtr->getDateRuleType() != icu::DateTimeRule::DOW ||
        dtr->getTimeRuleType() != icu::DateTimeRule::WALL_TIME)
        return std::nullopt;
    SYSTEMTIME st{};
    st.wMonth = static_cast<WORD>(dtr->getRuleMonth() + 1);
    st.wDayOfWeek = static_cast<WORD>(dtr->getRuleDayOfWeek() - UCAL_SUNDAY);
    const int week = dtr->getRuleWeekInMonth();
    st.wDay = static_cast<WORD>(week > 0 ? week : OccurrenceOfLastRule(zone, at, intoDst, st.wMonth, st.wDayOfWeek));
    const std::int32_t millis = dtr->getRuleMillisInDay();
    st.wHour = static_cast<WORD>(millis / 3'600'000);
    st.wMinute = static_cast<WORD>(millis / 60'000 % 60);
    st.wSecond = static_cast<WORD>(millis / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(millis % 1000);
    return st;
}

std::u16string IcuLongName(const icu::TimeZone& zone, bool daylight)
{
    icu::UnicodeString name;
    zone.getDisplayName(daylight, icu::TimeZone::LONG, icu::Locale::getUS(), name);
    return ToU16(name);
}

}  // namespace

void CopyZoneName(std::u16string_view text, WCHAR (&field)[32])
{
    const size_t n = std::min<size_t>(text.size(), 31);
    std::copy_n(text.data(), n, field);
    std::fill(field + n, field + 32, u'\0');
}

std::u16string WindowsZoneName(const icu::TimeZone& zone)
{
    icu::UnicodeString id, windowsId;
    zone.getID(id);
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone::getWindowsID(id, windowsId, status);
    if (U_FAILURE(status) || windowsId.isBogus()) return {};
    return ToU16(windowsId);
}

ZoneNames NamesOf(const icu::TimeZone& zone)
{
    const std::u16string windowsName = WindowsZoneName(zone);
    if (windowsName.empty()) return ZoneNames{IcuLongName(zone, false), IcuLongName(zone, true)};
    if (windowsName == u"UTC") return ZoneNames{u"Coordinated Universal Time", u"Coordinated Universal Time"};
    // Windows pairs "X Standard Time" with "X Daylight Time".
    std::u16string daylight = windowsName;
    const size_t at = daylight.find(u"Standard");
    if (at != std::u16string::npos) daylight.replace(at, 8, u"Daylight");
    return ZoneNames{windowsName, daylight};
}

DWORD DescribeTimeZone(const icu::TimeZone& zone, UDate at, TIME_ZONE_INFORMATION* tzi)
{
    *tzi = TIME_ZONE_INFORMATION{};
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t raw = 0, dst = 0;
    zone.getOffset(at, false, raw, dst, status);
    if (U_FAILURE(status)) return TIME_ZONE_ID_INVALID;

    const ZoneNames names = NamesOf(zone);
    CopyZoneName(names.standard, tzi->StandardName);
    CopyZoneName(names.daylight, tzi->DaylightName);

    std::optional<SYSTEMTIME> standardDate, daylightDate;
    std::int32_t savings = 0;
    if (const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone)) {
        icu::InitialTimeZoneRule* initialRule = nullptr;
        icu::AnnualTimeZoneRule* standardRule = nullptr;
        icu::AnnualTimeZoneRule* daylightRule = nullptr;
        basic->getSimpleRulesNear(at, initialRule, standardRule, daylightRule, status);
        std::unique_ptr<icu::InitialTimeZoneRule> initialOwner(initialRule);
        std::unique_ptr<icu::AnnualTimeZoneRule> standardOwner(standardRule), daylightOwner(daylightRule);
        if (U_SUCCESS(status) && standardRule && daylightRule && daylightRule->getDSTSavings() != 0) {
            standardDate = RelativeRule(*basic, at, *standardRule, false);
            daylightDate = RelativeRule(*basic, at, *daylightRule, true);
            savings = daylightRule->getDSTSavings();
            raw = initialRule->getRawOffset();
        }
    }
    if (!standardDate || !daylightDate) {
        // No yearly rule: the offset in force now is the whole story.
        tzi->Bias = -(raw + dst) / 60'000;
        return TIME_ZONE_ID_UNKNOWN;
    }
    tzi->Bias = -raw / 60'000;
    tzi->StandardDate = *standardDate;
    tzi->StandardBias = 0;
    tzi->DaylightDate = *daylightDate;
    tzi->DaylightBias = -savings / 60'000;
    return dst != 0 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

}  // namespace platform
