// Reading and writing an item's text properties through the object model.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/types.h"
#include "platform/text/owned_bstr.h"

namespace item_text {

// The text a getter such as ITask::get_Subject hands out; empty when it fails.
template <class Item>
std::u16string Get(Item* item, HRESULT (Item::*getter)(BSTR*))
{
    platform::OwnedBstr text;
    if (!item || FAILED((item->*getter)(text.Put())) || !text.Get()) return {};
    return std::u16string(text.Get(), SysStringLen(text.Get()));
}

template <class Item>
HRESULT Put(Item* item, HRESULT (Item::*setter)(BSTR), std::u16string_view text)
{
    if (!item) return E_POINTER;
    platform::OwnedBstr owned(text);
    if (!owned.Get()) return E_OUTOFMEMORY;
    return (item->*setter)(owned);
}

}  // namespace item_text
