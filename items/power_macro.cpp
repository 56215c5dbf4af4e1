#include "items/power_macro.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "foundation/calendar_math.h"
#include "foundation/ce_string.h"
#include "foundation/duration_text.h"
#include "foundation/week_number.h"
#include "items/c_contact.h"
#include "items/contact_chooser.h"
#include "items/c_task_settings.h"
#include "platform/locale/date_format.h"
#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"
#include "platform/time/variant_time.h"

namespace {

constexpr int kStopwatches = 4;

// The stopwatches of the process: a start and a stop time each, and whether
// the next use stops it (it is running).
struct Stopwatches {
    std::mutex lock;
    std::array<SYSTEMTIME, kStopwatches> start{};
    std::array<SYSTEMTIME, kStopwatches> stop{};
    std::array<bool, kStopwatches> running{};
};

Stopwatches& TheStopwatches()
{
    static Stopwatches watches;
    return watches;
}

bool IsSet(const SYSTEMTIME& time) { return time.wYear != 0; }

std::u16string Formatted(int (*format)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int), DWORD flags,
                         const SYSTEMTIME& time)
{
    WCHAR text[128] = {};
    if (format(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, 128) <= 0) return {};
    return text;
}

std::u16string TimeText(const SYSTEMTIME& time, DWORD flags = 0) { return Formatted(&GetTimeFormatW, flags, time); }
std::u16string DateText(const SYSTEMTIME& time, DWORD flags) { return Formatted(&GetDateFormatW, flags, time); }

SYSTEMTIME Now()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

// ---- the contact ----

// The contact macros and the CContact field each one reads.
struct TextField {
    std::u16string_view name;
    CContact::Field field;
};

constexpr TextField kTextFields[] = {
    {u"fileas", CContact::kFileAs},
    {u"title", CContact::kTitle},
    {u"first", CContact::kFirstName},
    {u"middle", CContact::kMiddleName},
    {u"last", CContact::kLastName},
    {u"suffix", CContact::kSuffix},
    {u"company", CContact::kCompany},
    {u"jobtitle", CContact::kJobTitle},
    {u"department", CContact::kDepartment},
    {u"office", CContact::kOfficeLocation},
    {u"assistant", CContact::kAssistantName},
    {u"assistanttel", CContact::kAssistantPhone},
    {u"spouse", CContact::kSpouse},
    {u"children", CContact::kChildren},
    {u"haddress", CContact::kHomeStreet},
    {u"hcity", CContact::kHomeCity},
    {u"hstate", CContact::kHomeState},
    {u"hpostal", CContact::kHomePostalCode},
    {u"hcountry", CContact::kHomeCountry},
    {u"waddress", CContact::kBusinessStreet},
    {u"wcity", CContact::kBusinessCity},
    {u"wstate", CContact::kBusinessState},
    {u"wpostal", CContact::kBusinessPostalCode},
    {u"wcountry", CContact::kBusinessCountry},
    {u"oaddress", CContact::kOtherStreet},
    {u"ocity", CContact::kOtherCity},
    {u"ostate", CContact::kOtherState},
    {u"opostal", CContact::kOtherPostalCode},
    {u"ocountry", CContact::kOtherCountry},
    {u"htel1", CContact::kHomePhone},
    {u"htel2", CContact::kHome2Phone},
    {u"hfax", CContact::kHomeFax},
    {u"wtel1", CContact::kBusinessPhone},
    {u"wtel2", CContact::kBusiness2Phone},
    {u"wfax", CContact::kBusinessFax},
    {u"radiotel", CContact::kRadioPhone},
    {u"mobile", CContact::kMobilePhone},
    {u"pager", CContact::kPager},
    {u"carmobile", CContact::kCarPhone},
    {u"email1", CContact::kEmail1},
    {u"email2", CContact::kEmail2},
    {u"email3", CContact::kEmail3},
    {u"web", CContact::kWebPage},
};

struct DateField {
    std::u16string_view name;
    double (CContact::*get)();
};

constexpr DateField kDateFields[] = {
    {u"anniversary", &CContact::Anniversary},
    {u"birthday", &CContact::Birthday},
};

// The field of a macro name (lower case) of an opened contact; nothing when
// the name is no contact field. A date the contact does not have reads as
// the "no date" text.
std::optional<std::u16string> FieldText(CContact& contact, std::u16string_view name)
{
    for (const TextField& field : kTextFields)
        if (field.name == name) return contact.Text(field.field);
    for (const DateField& field : kDateFields) {
        if (field.name != name) continue;
        const double date = (contact.*field.get)();
        SYSTEMTIME st{};
        if (date == kNoOleDate || !VariantTimeToSystemTime(date, &st)) {
            CeString none;
            none.LoadStringW(kMacroNoDateString);
            return std::u16string(static_cast<const WCHAR*>(none));
        }
        return DateText(st, DATE_SHORTDATE);
    }
    return std::nullopt;
}

bool IsContactField(std::u16string_view name)
{
    return std::any_of(std::begin(kTextFields), std::end(kTextFields), [&](const TextField& f) { return f.name == name; }) ||
           std::any_of(std::begin(kDateFields), std::end(kDateFields), [&](const DateField& f) { return f.name == name; });
}

// ---- one expansion ----

class Expansion {
public:
    Expansion(long* contactOid, HWND parent) : m_contactOid(contactOid), m_parent(parent) {}

    std::u16string Expand(std::u16string name)
    {
        for (char16_t& c : name) c = towlower(c);
        const SYSTEMTIME now = Now();
        if (name == u"s") return u"%s";
        if (name == u"ts") return TimeText(now);
        if (name == u"tm") return TimeText(now, TIME_NOSECONDS);
        if (name == u"ld") return DateText(now, DATE_LONGDATE);
        if (name == u"sd") return DateText(now, DATE_SHORTDATE);
        if (name == u"dy") return task_item::Decimal(getdayofyear(&now));
        if (name == u"wk") return task_item::Decimal(weeknumber(now.wYear, now.wMonth, now.wDay));
        if (const int n = StopwatchNumber(name, u"tmp"); n != 0) return n > 0 ? Mark(n - 1, now) : u"";
        if (const int n = StopwatchNumber(name, u"dtm"); n != 0) return n > 0 ? Duration(n - 1, now) : u"";
        if (IsContactField(name)) return ContactField(name);
        return {};
    }

private:
    // For prefix followed by one digit: the stopwatch 1..4, -1 for a digit
    // out of range; 0 when the name has another form.
    static int StopwatchNumber(std::u16string_view name, std::u16string_view prefix)
    {
        if (name.size() != prefix.size() + 1 || name.substr(0, prefix.size()) != prefix) return 0;
        const char16_t digit = name.back();
        if (digit < u'0' || digit > u'9') return 0;
        const int n = digit - u'0';
        return n >= 1 && n <= kStopwatches ? n : -1;
    }

    static std::u16string Stamp(const SYSTEMTIME& time) { return TimeText(time) + u" " + DateText(time, DATE_SHORTDATE); }

    static std::u16string Mark(int index, const SYSTEMTIME& now)
    {
        Stopwatches& watches = TheStopwatches();
        std::lock_guard<std::mutex> hold(watches.lock);
        if (!watches.running[index]) {
            watches.start[index] = now;
            watches.running[index] = true;
        } else {
            watches.stop[index] = now;
            watches.running[index] = false;
        }
        return Stamp(now);
    }

    static std::u16string Duration(int index, const SYSTEMTIME& now)
    {
        Stopwatches& watches = TheStopwatches();
        std::lock_guard<std::mutex> hold(watches.lock);
        if (!IsSet(watches.start[index])) return {};
        const SYSTEMTIME& end = watches.running[index] ? now : watches.stop[index];
        FILETIME from{}, to{};
        if (!SystemTimeToFileTime(&watches.start[index], &from) || !SystemTimeToFileTime(&end, &to)) return {};
        const long long minutes = (static_cast<long long>(platform::FileTimeValue(to)) -
                                   static_cast<long long>(platform::FileTimeValue(from))) /
                                  600000000LL;
        WCHAR text[256] = {};
        FormatDurationString(text, 256, static_cast<int>(std::clamp<long long>(minutes, 0, 0x7FFFFFFF)), TRUE);
        return text;
    }

    std::u16string ContactField(std::u16string_view name)
    {
        if (!m_contactOid) return {};
        if (!m_tried) {
            m_tried = true;
            if (*m_contactOid == 0) *m_contactOid = ShowContactChooser(m_parent);
            m_open = *m_contactOid != 0 && m_contact.ReadOID(*m_contactOid);
        }
        if (!m_open) return {};
        return FieldText(m_contact, name).value_or(std::u16string());
    }

    long* m_contactOid;
    HWND m_parent;
    bool m_tried = false;
    bool m_open = false;
    CContact m_contact;  // loaded once per expansion, at the first contact macro
};

// Rewrites "%s" followed by the non-letter that first follows one as "%s%"
// and that character, everywhere, so that it reads as the macro "s".
void ProtectFormatSpecifiers(std::u16string& text)
{
    size_t at = 0;
    for (;; ++at) {
        at = text.find(u"%s", at);
        if (at == std::u16string::npos || at + 2 >= text.size()) return;
        if (!iswalpha(text[at + 2])) break;
    }
    const std::u16string from = text.substr(at, 3);
    const std::u16string to = std::u16string(u"%s%") + text[at + 2];
    for (size_t pos = text.find(from); pos != std::u16string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

WCHAR* Copy(const std::u16string& text)
{
    auto* out = static_cast<WCHAR*>(std::malloc((text.size() + 1) * sizeof(WCHAR)));
    if (!out) return nullptr;
    std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return out;
}

}  // namespace

WCHAR* PowerMacro(const WCHAR* text, long* contactOid, HWND parent)
{
    if (!text) return nullptr;
    std::u16string in(text);
    if (std::count(in.begin(), in.end(), u'%') < 2) return Copy(in);
    ProtectFormatSpecifiers(in);
    Expansion expansion(contactOid, parent);
    std::u16string out;
    size_t pos = 0;
    for (;;) {
        const size_t open = in.find(u'%', pos);
        if (open == std::u16string::npos) break;
        const size_t close = in.find(u'%', open + 1);
        if (close == std::u16string::npos) break;
        out.append(in, pos, open - pos);
        out += expansion.Expand(in.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    out.append(in, pos, std::u16string::npos);
    return Copy(out);
}

void ResetPowerMacroStopwatches()
{
    Stopwatches& watches = TheStopwatches();
    std::lock_guard<std::mutex> hold(watches.lock);
    watches.start = {};
    watches.stop = {};
    watches.running = {};
}
