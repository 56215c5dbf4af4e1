#include "tools/kstools/sample/sample_pattern_writer.h"

#include "tools/kstools/sample/sample_seed_check.h"

namespace kstools {

void SamplePatternWriter::Write(IRecurrencePattern* pattern, const SamplePattern& p, const std::string& name)
{
    const std::string what = "set the recurrence of " + name;
    CheckSeedResult(pattern->put_RecurrenceType(p.type), what);
    CheckSeedResult(pattern->put_Interval(p.interval), what);
    switch (p.type) {
        case olRecursDaily:
            if (p.dayOfWeekMask) CheckSeedResult(pattern->put_DayOfWeekMask(p.dayOfWeekMask), what);
            break;
        case olRecursWeekly:
            CheckSeedResult(pattern->put_DayOfWeekMask(p.dayOfWeekMask), what);
            break;
        case olRecursMonthly:
            CheckSeedResult(pattern->put_DayOfMonth(p.dayOfMonth), what);
            break;
        case olRecursMonthNth:
            CheckSeedResult(pattern->put_DayOfWeekMask(p.dayOfWeekMask), what);
            CheckSeedResult(pattern->put_Instance(p.instance), what);
            break;
        case olRecursYearly:
            CheckSeedResult(pattern->put_MonthOfYear(p.monthOfYear), what);
            CheckSeedResult(pattern->put_DayOfMonth(p.dayOfMonth), what);
            break;
        case olRecursYearNth:
            CheckSeedResult(pattern->put_MonthOfYear(p.monthOfYear), what);
            CheckSeedResult(pattern->put_DayOfWeekMask(p.dayOfWeekMask), what);
            CheckSeedResult(pattern->put_Instance(p.instance), what);
            break;
        default:
            break;
    }
    switch (p.end) {
        case SampleEnd::kNever:
            CheckSeedResult(pattern->put_NoEndDate(VARIANT_TRUE), what);
            break;
        case SampleEnd::kAfterCount:
            CheckSeedResult(pattern->put_Occurrences(p.occurrences), what);
            break;
        case SampleEnd::kByDate:
            CheckSeedResult(pattern->put_PatternEndDate(p.endDate), what);
            break;
    }
}

}  // namespace kstools
