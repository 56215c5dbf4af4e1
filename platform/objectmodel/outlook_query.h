// Restrictions of item collections (Restrict, Find): comparisons of the
// item's published properties with values, joined by AND and OR.
//
//   [Email1Address] = "a@b.com" OR [Email2Address] = "a@b.com"
//   [Start] >= "12/05/2026 08:00" AND ([BusyStatus] <> 0 OR NOT [AllDayEvent] = TRUE)
//
// - A property is its published name in brackets (any case); it must be a
//   property of the collection's item kind.
// - Operators: = <> < <= > >=. AND binds tighter than OR; NOT and parentheses
//   as usual (nesting up to 64 deep). Keywords are read in any case.
// - Values: text in double or single quotes (the quote doubled inside stands
//   for itself), numbers (123, -4.5), TRUE and FALSE. Text compares without
//   case. A date property takes a quoted date and time in the user's short
//   date order, read like typed text ("12/05/2026 08:00"), or an OLE date
//   number. A number or yes/no property takes a number, TRUE/FALSE or a
//   quoted number.
// Anything else is E_INVALIDARG; no input makes the parser fail otherwise.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objectmodel/outlook_item_properties.h"
#include "platform/objectmodel/pocket_outlook.h"

class OutlookQuery {
public:
    // Reads a property's value for Matches; false when it cannot be read
    // (the comparison is then false).
    using Lookup = std::function<bool(std::u16string_view name, OutlookPropertyValue* value)>;

    // Parses text for items of itemKind (olAppointmentItem, olContactItem,
    // olTaskItem). E_INVALIDARG (query left empty) for a bad restriction.
    static HRESULT Parse(std::u16string_view text, int itemKind, OutlookQuery* query);

    bool Matches(const Lookup& lookup) const;
    // Reads the values through the item's interface.
    bool Matches(IDispatch* item) const;

    bool Empty() const { return nodes_.empty(); }

private:
    friend class OutlookQueryParser;

    enum class Op { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
    struct Node {
        enum Type { Compare, And, Or, Not } type = Compare;
        int left = -1;
        int right = -1;
        std::u16string property;
        Op op = Op::Equal;
        OutlookPropertyValue value;
    };

    bool Evaluate(int node, const Lookup& lookup) const;
    static bool Compare(const OutlookPropertyValue& actual, Op op, const OutlookPropertyValue& wanted);

    std::vector<Node> nodes_;
    int root_ = -1;
    int itemKind_ = 0;
};
