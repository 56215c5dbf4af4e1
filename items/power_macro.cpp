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
#include "items/contact_chooser.h"
#include "items/c_task_settings.h"
#include "items/item_bstr.h"
#include "platform/locale/date_format.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"
#include "platform/time/variant_time.h"
#include "storage/c_outlook.h"

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

using TextGetter = HRESULT (IContact::*)(BSTR*);
using DateGetter = HRESULT (IContact::*)(DATE*);

struct TextField {
    std::u16string_view name;
    TextGetter get;
};

constexpr TextField kTextFields[] = {
    {u"fileas", &IContact::get_FileAs},
    {u"title", &IContact::get_Title},
    {u"first", &IContact::get_FirstName},
    {u"middle", &IContact::get_MiddleName},
    {u"last", &IContact::get_LastName},
    {u"suffix", &IContact::get_Suffix},
    {u"company", &IContact::get_CompanyName},
    {u"jobtitle", &IContact::get_JobTitle},
    {u"department", &IContact::get_Department},
    {u"office", &IContact::get_OfficeLocation},
    {u"assistant", &IContact::get_AssistantName},
    {u"assistanttel", &IContact::get_AssistantTelephoneNumber},
    {u"spouse", &IContact::get_Spouse},
    {u"children", &IContact::get_Children},
    {u"haddress", &IContact::get_HomeAddressStreet},
    {u"hcity", &IContact::get_HomeAddressCity},
    {u"hstate", &IContact::get_HomeAddressState},
    {u"hpostal", &IContact::get_HomeAddressPostalCode},
    {u"hcountry", &IContact::get_HomeAddressCountry},
    {u"waddress", &IContact::get_BusinessAddressStreet},
    {u"wcity", &IContact::get_BusinessAddressCity},
    {u"wstate", &IContact::get_BusinessAddressState},
    {u"wpostal", &IContact::get_BusinessAddressPostalCode},
    {u"wcountry", &IContact::get_BusinessAddressCountry},
    {u"oaddress", &IContact::get_OtherAddressStreet},
    {u"ocity", &IContact::get_OtherAddressCity},
    {u"ostate", &IContact::get_OtherAddressState},
    {u"opostal", &IContact::get_OtherAddressPostalCode},
    {u"ocountry", &IContact::get_OtherAddressCountry},
    {u"htel1", &IContact::get_HomeTelephoneNumber},
    {u"htel2", &IContact::get_Home2TelephoneNumber},
    {u"hfax", &IContact::get_HomeFaxNumber},
    {u"wtel1", &IContact::get_BusinessTelephoneNumber},
    {u"wtel2", &IContact::get_Business2TelephoneNumber},
    {u"wfax", &IContact::get_BusinessFaxNumber},
    {u"radiotel", &IContact::get_RadioTelephoneNumber},
    {u"mobile", &IContact::get_MobileTelephoneNumber},
    {u"pager", &IContact::get_PagerNumber},
    {u"carmobile", &IContact::get_CarTelephoneNumber},
    {u"email1", &IContact::get_Email1Address},
    {u"email2", &IContact::get_Email2Address},
    {u"email3", &IContact::get_Email3Address},
    {u"web", &IContact::get_WebPage},
};

struct DateField {
    std::u16string_view name;
    DateGetter get;
};

constexpr DateField kDateFields[] = {
    {u"anniversary", &IContact::get_Anniversary},
    {u"birthday", &IContact::get_Birthday},
};

// The contact the macros of one expansion read, opened through the object
// model by its OID. Every field is read through FieldText, the one place
// that knows how a contact's field is reached.
class MacroContact {
public:
    bool Open(long oid)
    {
        platform::ComRef<IDispatch> found;
        if (oid == 0 || FAILED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put()))) return false;
        m_contact = platform::ComRef<IContact>::Query(found.Get());
        return static_cast<bool>(m_contact);
    }

    // The field of a macro name (lower case); nothing when the name is no
    // contact field.
    std::optional<std::u16string> FieldText(std::u16string_view name) const
    {
        for (const TextField& field : kTextFields)
            if (field.name == name) return item_text::Get(m_contact.Get(), field.get);
        for (const DateField& field : kDateFields) {
            if (field.name != name) continue;
            DATE date = kNoOleDate;
            SYSTEMTIME st{};
            if (!m_contact || FAILED((m_contact.Get()->*field.get)(&date)) || date == kNoOleDate ||
                !VariantTimeToSystemTime(date, &st)) {
                CeString none;
                none.LoadStringW(kMacroNoDateString);
                return std::u16string(static_cast<const WCHAR*>(none));
            }
            return DateText(st, DATE_SHORTDATE);
        }
        return std::nullopt;
    }

private:
    platform::ComRef<IContact> m_contact;
};

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
            m_open = *m_contactOid != 0 && m_contact.Open(*m_contactOid);
        }
        if (!m_open) return {};
        return m_contact.FieldText(name).value_or(std::u16string());
    }

    long* m_contactOid;
    HWND m_parent;
    bool m_tried = false;
    bool m_open = false;
    MacroContact m_contact;
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
