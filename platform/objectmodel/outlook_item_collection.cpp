#include "platform/objectmodel/outlook_item_collection.h"

#include <algorithm>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_app.h"
#include "platform/objectmodel/outlook_item_properties.h"
#include "platform/text/wide_string.h"

namespace {

std::u16string Text(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

// Deletes an item through its own interface, so each kind does its own
// clean-up.
HRESULT DeleteItem(IDispatch* item)
{
    if (const auto task = platform::ComRef<ITask>::Query(item)) return task->Delete();
    if (const auto appointment = platform::ComRef<IAppointment>::Query(item)) return appointment->Delete();
    if (const auto contact = platform::ComRef<IContact>::Query(item)) return contact->Delete();
    return E_NOINTERFACE;
}

}  // namespace

OutlookItemCollection::OutlookItemCollection(OutlookApp* app, int itemKind, std::vector<CEOID> oids)
    : app_(platform::ComRef<OutlookApp>::Share(app)), itemKind_(itemKind), oids_(std::move(oids))
{}

OutlookItemCollection::~OutlookItemCollection() = default;

HRESULT OutlookItemCollection::Add(IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = nullptr;
    if (itemKind_ == 0) return E_FAIL;
    return app_->CreateItem(itemKind_, item);
}

HRESULT OutlookItemCollection::get_Count(int* count)
{
    if (!count) return E_POINTER;
    *count = static_cast<int>(oids_.size());
    return S_OK;
}

HRESULT OutlookItemCollection::Item(int index, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = nullptr;
    if (index < 1 || static_cast<size_t>(index) > oids_.size()) return E_INVALIDARG;
    return app_->GetItemFromOid(static_cast<LONG>(oids_[static_cast<size_t>(index) - 1]), item);
}

HRESULT OutlookItemCollection::Remove(int index)
{
    platform::ComRef<IDispatch> item;
    const HRESULT found = Item(index, item.Put());
    if (FAILED(found)) return found;
    const HRESULT deleted = DeleteItem(item.Get());
    if (SUCCEEDED(deleted)) {
        oids_.erase(oids_.begin() + (index - 1));
        if (findNext_ >= static_cast<size_t>(index)) --findNext_;
    }
    return deleted;
}

HRESULT OutlookItemCollection::FindFrom(size_t start, IDispatch** item)
{
    for (size_t i = start; i < oids_.size(); ++i) {
        platform::ComRef<IDispatch> candidate;
        // An item deleted since the list was read is passed over.
        if (FAILED(app_->GetItemFromOid(static_cast<LONG>(oids_[i]), candidate.Put()))) continue;
        if (find_.Matches(candidate.Get())) {
            findNext_ = i + 1;
            *item = candidate.Detach();
            return S_OK;
        }
    }
    findNext_ = oids_.size();
    return S_OK;
}

HRESULT OutlookItemCollection::Find(BSTR restriction, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = nullptr;
    find_ = OutlookQuery();
    if (itemKind_ == 0) return E_FAIL;
    const HRESULT parsed = OutlookQuery::Parse(Text(restriction), itemKind_, &find_);
    if (FAILED(parsed)) return parsed;
    return FindFrom(0, item);
}

HRESULT OutlookItemCollection::FindNext(IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = nullptr;
    if (find_.Empty()) return E_FAIL;
    return FindFrom(findNext_, item);
}

HRESULT OutlookItemCollection::Restrict(BSTR restriction, IPOutlookItemCollection** items)
{
    if (!items) return E_POINTER;
    *items = nullptr;
    if (itemKind_ == 0) return E_FAIL;
    OutlookQuery query;
    const HRESULT parsed = OutlookQuery::Parse(Text(restriction), itemKind_, &query);
    if (FAILED(parsed)) return parsed;
    std::vector<CEOID> matching;
    for (CEOID oid : oids_) {
        platform::ComRef<IDispatch> item;
        if (FAILED(app_->GetItemFromOid(static_cast<LONG>(oid), item.Put()))) continue;
        if (query.Matches(item.Get())) matching.push_back(oid);
    }
    auto* result = new OutlookItemCollection(app_.Get(), itemKind_, std::move(matching));
    result->includeRecurrences_ = includeRecurrences_;
    *items = result;
    return S_OK;
}

HRESULT OutlookItemCollection::Sort(BSTR property, VARIANT_BOOL descending)
{
    if (itemKind_ == 0) return E_FAIL;
    const std::u16string name = Text(property);
    if (!OutlookItemProperties::KindOf(itemKind_, name)) return E_INVALIDARG;
    struct Keyed {
        CEOID oid;
        OutlookPropertyValue value;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(oids_.size());
    for (CEOID oid : oids_) {
        Keyed entry{oid, {}};
        platform::ComRef<IDispatch> item;
        if (SUCCEEDED(app_->GetItemFromOid(static_cast<LONG>(oid), item.Put()))) {
            OutlookItemProperties::Get(item.Get(), itemKind_, name, &entry.value);
        }
        keyed.push_back(std::move(entry));
    }
    const auto before = [](const Keyed& a, const Keyed& b) {
        if (a.value.kind == OutlookValueKind::Text) return _wcsicmp(a.value.text.c_str(), b.value.text.c_str()) < 0;
        return a.value.number < b.value.number;
    };
    if (descending)
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) { return before(b, a); });
    else
        std::stable_sort(keyed.begin(), keyed.end(), before);
    for (size_t i = 0; i < keyed.size(); ++i) oids_[i] = keyed[i].oid;
    return S_OK;
}

HRESULT OutlookItemCollection::get_IncludeRecurrences(VARIANT_BOOL* include)
{
    if (!include) return E_POINTER;
    *include = includeRecurrences_;
    return S_OK;
}

HRESULT OutlookItemCollection::put_IncludeRecurrences(VARIANT_BOOL include)
{
    includeRecurrences_ = include ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookItemCollection::get_Application(IPOutlookApp** app)
{
    return OutlookHandOut<IPOutlookApp>(app_.Get(), app);
}
