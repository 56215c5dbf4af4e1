#include "platform/objectmodel/outlook_save_check.h"

#include "platform/objectmodel/outlook_date.h"

OutlookSaveCheck& OutlookSaveCheck::Fail(HRESULT code)
{
    if (SUCCEEDED(result_)) result_ = code;
    return *this;
}

OutlookSaveCheck& OutlookSaveCheck::Date(DATE date) { return IsOutlookDateValid(date) ? *this : Fail(E_INVALIDDATES); }

OutlookSaveCheck& OutlookSaveCheck::Order(DATE first, DATE last)
{
    if (IsOutlookDateNone(first) || IsOutlookDateNone(last)) return *this;
    return last < first ? Fail(E_INVALIDDATES) : *this;
}

OutlookSaveCheck& OutlookSaveCheck::Text(std::u16string_view text, size_t maxLength)
{
    return text.size() > maxLength ? Fail(E_FIELDTOOLARGE) : *this;
}

OutlookSaveCheck& OutlookSaveCheck::Range(LONG value, LONG low, LONG high, HRESULT code)
{
    return value < low || value > high ? Fail(code) : *this;
}

OutlookSaveCheck& OutlookSaveCheck::Require(bool ok, HRESULT code) { return ok ? *this : Fail(code); }
