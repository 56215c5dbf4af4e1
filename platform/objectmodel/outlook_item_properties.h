// The published properties of each item kind by name, as restrictions and
// Sort name them ("Subject", "Start", "Email1Address"): the kind of value
// each holds and how to read it through the item's interface, so a value is
// compared in the form the object model gives it (local dates, importance
// 0 low .. 2 high).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/objectmodel/pocket_outlook.h"

enum class OutlookValueKind { Text, Number, Date, Bool };

struct OutlookPropertyValue {
    OutlookValueKind kind = OutlookValueKind::Text;
    std::u16string text;  // Text
    double number = 0;    // Number, Date (OLE date), Bool (1 or 0)
};

class OutlookItemProperties {
public:
    // The kind of value of the named property (names compare without case)
    // of an item kind (olAppointmentItem, olContactItem, olTaskItem);
    // nothing for a name the kind does not have.
    static std::optional<OutlookValueKind> KindOf(int itemKind, std::u16string_view name);
    // Reads the named property of an item of that kind. E_INVALIDARG for an
    // unknown name, E_NOINTERFACE when the item is not of the kind.
    static HRESULT Get(IDispatch* item, int itemKind, std::u16string_view name, OutlookPropertyValue* value);
};
