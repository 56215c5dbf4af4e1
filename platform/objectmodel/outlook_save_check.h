// The checks an item runs before Save writes anything: the first failed
// check gives the result, so an item with an invalid value returns that code
// and leaves the store as it was.
//
//   OutlookSaveCheck check;
//   check.Date(start).Date(due).Order(start, due).Text(subject);
//   if (FAILED(check.Result())) return check.Result();
#pragma once

#include <string_view>

#include "platform/objectmodel/pocket_outlook.h"
#include "platform/base/types.h"

// The longest text a text property takes, in characters. The store keeps a
// record of up to 16 MiB, so even a contact with all its seventy-odd texts
// this long fits; subjects written with a priority code run to some 4,000
// characters, and notes are blobs of their own with no such limit.
constexpr size_t kOutlookMaxTextLength = 65535;

class OutlookSaveCheck {
public:
    // E_INVALIDDATES unless kNoOleDate or within 1 January 1900 .. 31
    // December 2999 (NaN and infinities fail).
    OutlookSaveCheck& Date(DATE date);
    // E_INVALIDDATES when both dates are set and last is before first.
    OutlookSaveCheck& Order(DATE first, DATE last);
    // E_FIELDTOOLARGE beyond maxLength characters.
    OutlookSaveCheck& Text(std::u16string_view text, size_t maxLength = kOutlookMaxTextLength);
    // `code` unless low <= value <= high.
    OutlookSaveCheck& Range(LONG value, LONG low, LONG high, HRESULT code = E_INVALIDARG);
    // `code` unless ok.
    OutlookSaveCheck& Require(bool ok, HRESULT code);

    HRESULT Result() const { return result_; }

private:
    OutlookSaveCheck& Fail(HRESULT code);
    HRESULT result_ = S_OK;
};
