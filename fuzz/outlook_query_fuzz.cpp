// Arbitrary UTF-16 text as a restriction of each item kind: parsing must end
// with S_OK or E_INVALIDARG, and a parsed restriction must evaluate against
// any values without reading out of bounds or recursing without bound.
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/objectmodel/outlook_query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int kinds[] = {olAppointmentItem, olContactItem, olTaskItem};
    const int kind = kinds[data[0] % 3];
    std::u16string text((size - 1) / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data + 1, text.size() * 2);

    OutlookQuery query;
    const HRESULT result = OutlookQuery::Parse(text, kind, &query);
    if (result != S_OK && result != E_INVALIDARG) __builtin_trap();
    if (FAILED(result)) {
        if (!query.Empty()) __builtin_trap();
        return 0;
    }
    // Every property reads as the same value of its kind, from the input.
    const double number = static_cast<double>(data[0]);
    query.Matches([&](std::u16string_view name, OutlookPropertyValue* value) {
        value->kind = OutlookItemProperties::KindOf(kind, name).value_or(OutlookValueKind::Text);
        value->text = text.substr(0, 8);
        value->number = number;
        return true;
    });
    query.Matches([](std::u16string_view, OutlookPropertyValue*) { return false; });
    return 0;
}
