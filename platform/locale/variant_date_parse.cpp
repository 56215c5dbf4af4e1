// Reading typed dates and times: tokens first (numbers, separators, names),
// then the time is picked out and the remaining numbers read as a date in the
// locale's order.
#include "platform/locale/variant_date_parse.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/time/clock.h"
#include "platform/time/civil_calendar.h"
#include "platform/locale/internal/locale_data.h"
#include "platform/locale/locale_resolution.h"
#include "platform/locale/locale_info.h"

namespace {

using platform::LocaleData;

enum class Kind { Number, TimeSeparator, DateSeparator, Month, DayName, Am, Pm };

struct Token {
    Kind kind;
    int value = 0;   // the number, or the month 1..12
    int digits = 0;  // how many digits the number was typed with
    bool used = false;
};

struct Name {
    std::u16string folded;
    Kind kind;
    int value;
};

char16_t FoldChar(char16_t c)
{
    UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    return folded <= 0xFFFF ? static_cast<char16_t>(folded) : c;
}

std::u16string Fold(std::u16string_view s)
{
    std::u16string out;
    for (char16_t c : s) out.push_back(FoldChar(c));
    return out;
}

std::u16string Trimmed(std::u16string_view s)
{
    while (!s.empty() && u_isspace(s.front())) s.remove_prefix(1);
    while (!s.empty() && u_isspace(s.back())) s.remove_suffix(1);
    return std::u16string(s);
}

// Every word the text may hold, longest first so that "June" wins over "Jun".
std::vector<Name> NamesOf(const LocaleData& data)
{
    static const char16_t* const kEnglishMonths[] = {u"january",   u"february", u"march",    u"april",
                                                     u"may",       u"june",     u"july",     u"august",
                                                     u"september", u"october",  u"november", u"december"};
    static const char16_t* const kEnglishDays[] = {u"sunday",   u"monday", u"tuesday", u"wednesday",
                                                   u"thursday", u"friday", u"saturday"};
    std::vector<Name> names;
    auto add = [&names](std::u16string_view text, Kind kind, int value) {
        std::u16string folded = Fold(Trimmed(text));
        if (folded.empty()) return;
        names.push_back({folded, kind, value});
        std::u16string compact = folded;
        compact.erase(std::remove_if(compact.begin(), compact.end(), [](char16_t c) { return u_isspace(c); }),
                      compact.end());
        if (compact != folded) names.push_back({compact, kind, value});  // "a. m." typed as "a.m."
    };
    add(data.am, Kind::Am, 0);
    add(data.pm, Kind::Pm, 0);
    add(u"am", Kind::Am, 0);
    add(u"pm", Kind::Pm, 0);
    for (int m = 0; m < 12; ++m) {
        size_t i = static_cast<size_t>(m);
        for (const auto* list :
             {&data.monthNames, &data.abbrevMonthNames, &data.monthNamesInDate, &data.abbrevMonthNamesInDate})
            add((*list)[i], Kind::Month, m + 1);
        add(kEnglishMonths[i], Kind::Month, m + 1);
        add(std::u16string_view(kEnglishMonths[i]).substr(0, 3), Kind::Month, m + 1);
    }
    for (size_t d = 0; d < 7; ++d) {
        for (const auto* list :
             {&data.dayNames, &data.abbrevDayNames, &data.dayNamesInDate, &data.abbrevDayNamesInDate})
            add((*list)[d], Kind::DayName, 0);
        add(kEnglishDays[d], Kind::DayName, 0);
        add(std::u16string_view(kEnglishDays[d]).substr(0, 3), Kind::DayName, 0);
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const Name& a, const Name& b) { return a.folded.size() > b.folded.size(); });
    return names;
}

class Tokenizer {
public:
    explicit Tokenizer(const LocaleData& data) : names_(NamesOf(data))
    {
        dateSeparator_ = Trimmed(data.dateSeparator);
        std::u16string time = Trimmed(data.timeSeparator);
        if (time != dateSeparator_) timeSeparator_ = Fold(time);
    }

    std::optional<std::vector<Token>> Split(std::u16string_view text) const
    {
        std::vector<Token> tokens;
        size_t i = 0;
        while (i < text.size()) {
            char16_t c = text[i];
            if (c >= u'0' && c <= u'9') {
                size_t start = i;
                while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
                if (i - start > 9) return std::nullopt;
                tokens.push_back({Kind::Number,
                                  std::stoi(std::string(text.begin() + static_cast<std::ptrdiff_t>(start),
                                                        text.begin() + static_cast<std::ptrdiff_t>(i))),
                                  static_cast<int>(i - start)});
            } else if (c == u':' || Matches(text, i, timeSeparator_)) {
                i += c == u':' ? 1 : timeSeparator_.size();
                tokens.push_back({Kind::TimeSeparator});
            } else if (c == u'/' || c == u'-' || c == u'.' || Matches(text, i, dateSeparator_)) {
                i += (c == u'/' || c == u'-' || c == u'.') ? 1 : dateSeparator_.size();
                tokens.push_back({Kind::DateSeparator});
            } else if (u_isspace(c) || c == u',') {
                ++i;
            } else {
                const Name* name = NameAt(text, i);
                if (!name) return std::nullopt;
                i += name->folded.size();
                tokens.push_back({name->kind, name->value});
            }
        }
        return tokens;
    }

private:
    static bool Matches(std::u16string_view text, size_t at, std::u16string_view folded)
    {
        if (folded.empty() || text.size() - at < folded.size()) return false;
        for (size_t k = 0; k < folded.size(); ++k)
            if (FoldChar(text[at + k]) != folded[k]) return false;
        return true;
    }

    // The longest name at `at` that is not the start of a longer word.
    const Name* NameAt(std::u16string_view text, size_t at) const
    {
        for (const Name& name : names_) {
            if (!Matches(text, at, name.folded)) continue;
            size_t end = at + name.folded.size();
            if (end < text.size() && u_isalpha(text[end]) && u_isalpha(text[end - 1])) continue;
            return &name;
        }
        return nullptr;
    }

    std::vector<Name> names_;
    std::u16string dateSeparator_;
    std::u16string timeSeparator_;
};

struct Time {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct Date {
    int year;
    int month;
    int day;
};

constexpr HRESULT kMismatch = DISP_E_TYPEMISMATCH;

int FullYear(const Token& t)
{
    if (t.digits >= 3) return t.value;
    return t.value < 30 ? 2000 + t.value : 1900 + t.value;
}

bool LooksLikeYear(const Token& t) { return t.digits >= 3 || t.value > 31; }

bool IsValid(const Date& d)
{
    return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.year >= 1 &&
           d.day <= platform::civil::DaysInMonth(d.year, d.month);
}

int CurrentYear()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wYear;
}

// Three numbers in one of the orders 0 month-day-year, 1 day-month-year,
// 2 year-month-day.
Date InOrder(int order, const Token& a, const Token& b, const Token& c)
{
    if (order == 1) return {FullYear(c), b.value, a.value};
    if (order == 2) return {FullYear(a), b.value, c.value};
    return {FullYear(c), a.value, b.value};
}

// The date the numbers and the month name stand for.
std::optional<Date> ReadDate(const std::vector<const Token*>& numbers, int monthName, int order)
{
    size_t k = numbers.size();
    if (monthName) {
        if (k == 1) {
            const Token& n = *numbers[0];
            return LooksLikeYear(n) ? Date{FullYear(n), monthName, 1} : Date{CurrentYear(), monthName, n.value};
        }
        if (k == 2) {
            const Token& a = *numbers[0];
            const Token& b = *numbers[1];
            return LooksLikeYear(a) ? Date{FullYear(a), monthName, b.value} : Date{FullYear(b), monthName, a.value};
        }
        return std::nullopt;
    }
    if (k == 2) {
        const Token& a = *numbers[0];
        const Token& b = *numbers[1];
        if (LooksLikeYear(a)) return Date{FullYear(a), b.value, 1};
        if (LooksLikeYear(b)) return Date{FullYear(b), a.value, 1};
        int year = CurrentYear();
        Date first = order == 1 ? Date{year, b.value, a.value} : Date{year, a.value, b.value};
        Date other = {year, first.day, first.month};
        return IsValid(first) || !IsValid(other) ? first : other;
    }
    if (k == 3) {
        const Token& a = *numbers[0];
        const Token& b = *numbers[1];
        const Token& c = *numbers[2];
        if (a.digits >= 3) return InOrder(2, a, b, c);
        Date first = InOrder(order, a, b, c);
        if (IsValid(first)) return first;
        for (int other : {0, 1, 2})
            if (Date d = InOrder(other, a, b, c); IsValid(d)) return d;
        return first;
    }
    return std::nullopt;
}

// Marks the tokens of the time and returns it; nothing when there is none.
// `result` is set to an error when the text holds a broken one.
std::optional<Time> ReadTime(std::vector<Token>& tokens, HRESULT& result)
{
    auto is = [&tokens](size_t i, Kind kind) { return i < tokens.size() && tokens[i].kind == kind; };
    std::optional<Time> time;
    std::vector<int> parts;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!is(i, Kind::Number) || !is(i + 1, Kind::TimeSeparator) || !is(i + 2, Kind::Number)) continue;
        if (time) {
            result = kMismatch;  // two times
            return std::nullopt;
        }
        size_t end = i + 2;
        if (is(end + 1, Kind::TimeSeparator) && is(end + 2, Kind::Number)) end += 2;
        for (size_t j = i; j <= end; ++j) tokens[j].used = true;
        time = Time{tokens[i].value, tokens[i + 2].value, end > i + 2 ? tokens[end].value : 0};
        i = end;
    }
    // A designator without hours:minutes takes the number beside it as the
    // hour, unless that number belongs to a date ("5/3/2024 PM").
    for (size_t d = 0; d < tokens.size() && !time; ++d) {
        if (!is(d, Kind::Am) && !is(d, Kind::Pm)) continue;
        for (size_t i : {d - 1, d + 1}) {
            if (i >= tokens.size() || !is(i, Kind::Number) || tokens[i].used) continue;
            if (is(i - 1, Kind::DateSeparator) || is(i + 1, Kind::DateSeparator)) continue;
            tokens[i].used = true;
            time = Time{tokens[i].value, 0, 0};
            break;
        }
    }
    return time;
}

HRESULT Parse(std::u16string_view text, const LocaleData& data, int order, SYSTEMTIME& st)
{
    std::optional<std::vector<Token>> split = Tokenizer(data).Split(text);
    if (!split || split->empty()) return kMismatch;
    std::vector<Token>& tokens = *split;

    HRESULT result = S_OK;
    std::optional<Time> time = ReadTime(tokens, result);
    if (FAILED(result)) return result;

    int designators = 0;
    bool pm = false;
    int monthName = 0;
    int months = 0;
    int dayNames = 0;
    std::vector<const Token*> numbers;
    for (const Token& t : tokens) {
        switch (t.kind) {
            case Kind::Number:
                if (!t.used) numbers.push_back(&t);
                break;
            case Kind::TimeSeparator:
                if (!t.used) return kMismatch;
                break;
            case Kind::Am:
            case Kind::Pm:
                ++designators;
                pm = t.kind == Kind::Pm;
                break;
            case Kind::Month:
                ++months;
                monthName = t.value;
                break;
            case Kind::DayName:
                ++dayNames;
                break;
            case Kind::DateSeparator:
                break;
        }
    }
    if (designators > 1 || months > 1 || dayNames > 1) return kMismatch;
    if (designators && !time) return kMismatch;

    if (time) {
        if (designators) {
            if (time->hour > 12) return kMismatch;
            if (pm && time->hour < 12) time->hour += 12;
            if (!pm && time->hour == 12) time->hour = 0;
        }
        if (time->hour > 23 || time->minute > 59 || time->second > 59) return kMismatch;
    }

    Date date{1899, 12, 30};
    if (!numbers.empty() || monthName) {
        std::optional<Date> read = ReadDate(numbers, monthName, order);
        if (!read || !IsValid(*read)) return read && read->year > 9999 ? DISP_E_OVERFLOW : kMismatch;
        if (read->year > 9999 || read->year < 100) return DISP_E_OVERFLOW;
        date = *read;
    } else if (!time) {
        return kMismatch;  // only a day name
    }
    Time t = time.value_or(Time{});
    st = SYSTEMTIME{static_cast<WORD>(date.year),
                    static_cast<WORD>(date.month),
                    0,
                    static_cast<WORD>(date.day),
                    static_cast<WORD>(t.hour),
                    static_cast<WORD>(t.minute),
                    static_cast<WORD>(t.second),
                    0};
    return S_OK;
}

}  // namespace

HRESULT VarDateFromStr(LPCWSTR text, LCID locale, ULONG flags, DATE* out)
{
    if (!out || (flags & VAR_TIMEVALUEONLY && flags & VAR_DATEVALUEONLY)) return E_INVALIDARG;
    const platform::ResolvedLocale* resolved = platform::ResolveLocale(locale);
    if (!resolved) return E_INVALIDARG;
    if (!text) return DISP_E_TYPEMISMATCH;

    DWORD order = 0;
    GetLocaleInfoW(resolved->lcid, LOCALE_IDATE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&order),
                   sizeof order / sizeof(WCHAR));
    SYSTEMTIME st{};
    HRESULT result = Parse(text, platform::LocaleDataFor(*resolved), static_cast<int>(order), st);
    if (FAILED(result)) return result;

    if (flags & VAR_TIMEVALUEONLY) {
        st.wYear = 1899;
        st.wMonth = 12;
        st.wDay = 30;
    }
    if (flags & VAR_DATEVALUEONLY) st.wHour = st.wMinute = st.wSecond = 0;
    DATE value = 0;
    if (!SystemTimeToVariantTime(&st, &value)) return DISP_E_OVERFLOW;
    *out = value;
    return S_OK;
}
