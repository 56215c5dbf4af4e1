#include "platform/time/system_zone.h"

#include <date/tz.h>
#include <unicode/rbtz.h>
#include <unicode/tzrule.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/time/civil_calendar.h"

namespace platform {
namespace {

// A span of one offset as the database lists it, then as ICU takes it.
struct Period {
    UDate begin;          // UTC milliseconds; the first period has no start
    std::int32_t offset;  // total offset, milliseconds east of UTC
    bool markedDst;       // the database's daylight-time flag
    std::string name;     // "EST"
    std::int32_t raw = 0, saving = 0;
};

constexpr std::size_t kMaxPeriods = 5000;  // far more than any zone has

std::vector<Period> PeriodsOf(const date::time_zone& zone)
{
    using namespace std::chrono;
    std::vector<Period> periods;
    date::sys_info info = zone.get_info(date::sys_days(date::year(1800) / 1 / 1));
    while (periods.size() < kMaxPeriods) {
        periods.push_back(Period{static_cast<UDate>(duration_cast<milliseconds>(info.begin.time_since_epoch()).count()),
                                 static_cast<std::int32_t>(info.offset.count() * 1000), info.save.count() != 0,
                                 info.abbrev});
        const date::sys_info next = zone.get_info(info.end);
        if (next.begin != info.end) break;  // the last period runs on for ever
        info = next;
    }
    return periods;
}

// The offset of the nearest period not marked daylight time, looking back
// first; the period's own offset when there is none.
std::int32_t NeighbourStandardOffset(const std::vector<Period>& periods, std::size_t at)
{
    for (std::size_t i = at; i-- > 0;) {
        if (!periods[i].markedDst && periods[i].offset != periods[at].offset) return periods[i].offset;
    }
    for (std::size_t i = at + 1; i < periods.size(); ++i) {
        if (!periods[i].markedDst && periods[i].offset != periods[at].offset) return periods[i].offset;
    }
    return periods[at].offset;
}

// Splits each period's offset into ICU's standard offset and saving.
void SplitOffsets(std::vector<Period>& periods)
{
    std::vector<bool> below(periods.size(), false);  // a daylight period below standard time
    for (std::size_t i = 0; i < periods.size(); ++i) {
        Period& p = periods[i];
        const std::int32_t saving = p.markedDst ? p.offset - NeighbourStandardOffset(periods, i) : 0;
        below[i] = saving < 0;
        p.raw = saving > 0 ? p.offset - saving : p.offset;
        p.saving = saving > 0 ? saving : 0;
    }
    for (std::size_t i = 0; i < periods.size(); ++i) {
        if (periods[i].markedDst) continue;
        for (std::size_t j : {i - 1, i + 1}) {
            if (j < periods.size() && below[j] && periods[j].offset < periods[i].offset) {
                periods[i].raw = periods[j].offset;
                periods[i].saving = periods[i].offset - periods[j].offset;
                break;
            }
        }
    }
}

icu::UnicodeString Utf16(const std::string& text) { return icu::UnicodeString::fromUTF8(text); }

// The database lists a zone's yearly changes up to 2037 and no further (the
// rule that goes on is only in each file's closing text, which the reader
// leaves out); a zone whose last change falls in 2037 goes on from 2038 with
// the yearly rule of its last two changes.
constexpr std::int64_t kLastListedYear = 2037;

void AddFinalRules(icu::RuleBasedTimeZone& zone, const std::vector<Period>& periods)
{
    constexpr double kMillisPerDay = 86'400'000.0;
    const auto lastDay = static_cast<std::int64_t>(std::floor(periods.back().begin / kMillisPerDay));
    if (periods.size() < 3 || civil::CivilFromDays(lastDay).year != kLastListedYear) return;
    icu::InitialTimeZoneRule* initial = nullptr;
    icu::AnnualTimeZoneRule* first = nullptr;
    icu::AnnualTimeZoneRule* second = nullptr;
    UErrorCode status = U_ZERO_ERROR;
    zone.getSimpleRulesNear(periods[periods.size() - 2].begin - 1, initial, first, second, status);
    std::unique_ptr<icu::InitialTimeZoneRule> initialOwner(initial);
    std::unique_ptr<icu::AnnualTimeZoneRule> firstOwner(first), secondOwner(second);
    if (U_FAILURE(status) || !first || !second) return;
    for (const icu::AnnualTimeZoneRule* rule : {first, second}) {
        icu::UnicodeString name;
        zone.addTransitionRule(
            new icu::AnnualTimeZoneRule(rule->getName(name), rule->getRawOffset(), rule->getDSTSavings(),
                                        *rule->getRule(), kLastListedYear + 1, icu::AnnualTimeZoneRule::MAX_YEAR),
            status);
    }
    zone.complete(status);
}

std::unique_ptr<icu::BasicTimeZone> ZoneFrom(const icu::UnicodeString& id, std::vector<Period> periods)
{
    SplitOffsets(periods);
    const Period& start = periods.front();
    auto zone = std::make_unique<icu::RuleBasedTimeZone>(
        id, new icu::InitialTimeZoneRule(Utf16(start.name), start.raw, start.saving));
    // One rule per name and offsets, holding every time that rule begins.
    std::map<std::tuple<std::string, std::int32_t, std::int32_t>, std::vector<UDate>> starts;
    for (std::size_t i = 1; i < periods.size(); ++i) {
        const Period& p = periods[i];
        starts[{p.name, p.raw, p.saving}].push_back(p.begin);
    }
    UErrorCode status = U_ZERO_ERROR;
    for (const auto& [key, times] : starts) {
        const auto& [name, raw, saving] = key;
        zone->addTransitionRule(
            new icu::TimeArrayTimeZoneRule(Utf16(name), raw, saving, times.data(), static_cast<int32_t>(times.size()),
                                           icu::DateTimeRule::UTC_TIME),
            status);
    }
    zone->complete(status);
    if (U_FAILURE(status)) return nullptr;
    AddFinalRules(*zone, periods);
    return zone;
}

}  // namespace

std::unique_ptr<icu::BasicTimeZone> SystemTimeZone(const icu::UnicodeString& id)
{
    if (id.isEmpty() || id.isBogus()) return nullptr;
    std::string utf8;
    id.toUTF8String(utf8);
    try {
        return ZoneFrom(id, PeriodsOf(*date::locate_zone(utf8)));
    } catch (const std::exception&) {
        return nullptr;  // no such zone, or no database
    }
}

std::unique_ptr<icu::BasicTimeZone> CurrentTimeZone(const icu::UnicodeString& id)
{
    if (std::unique_ptr<icu::BasicTimeZone> system = SystemTimeZone(id)) return system;
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(id));
    icu::UnicodeString found;
    auto* basic = dynamic_cast<icu::BasicTimeZone*>(zone.get());
    if (!basic || basic->getID(found) == icu::UnicodeString(u"Etc/Unknown")) return nullptr;
    zone.release();
    return std::unique_ptr<icu::BasicTimeZone>(basic);
}

}  // namespace platform
