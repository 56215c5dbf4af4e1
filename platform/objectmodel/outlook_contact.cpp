#include "platform/objectmodel/outlook_contact.h"

#include <cmath>

#include "platform/objectmodel/outlook_category_text.h"
#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/outlook_item_factory.h"
#include "platform/objectmodel/outlook_note.h"
#include "platform/objectmodel/outlook_save_check.h"

namespace {

std::u16string Text(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

HRESULT Out(const std::u16string& text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT MakeOutlookContact(IPOutlookApp* app, OutlookItemRecord record, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = new OutlookContact(app, std::move(record));
    return S_OK;
}

OutlookContact::OutlookContact(IPOutlookApp* app, OutlookItemRecord record)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), record_(std::move(record)),
      loadedFirst_(record_.StringOrEmpty(kContactFirstName)), loadedLast_(record_.StringOrEmpty(kContactLastName)),
      loadedCompany_(record_.StringOrEmpty(kContactCompanyName))
{}

std::u16string OutlookContact::ComputedFileAs(const std::u16string& first, const std::u16string& last,
                                              const std::u16string& company)
{
    if (!first.empty() && !last.empty()) return last + u", " + first;
    if (!last.empty()) return last;
    if (!first.empty()) return first;
    return company;
}

std::u16string OutlookContact::LoadedFileAs() const
{
    return ComputedFileAs(loadedFirst_, loadedLast_, loadedCompany_);
}

std::u16string OutlookContact::CurrentFileAs() const
{
    const std::optional<std::u16string> stored = record_.String(kContactFileAs);
    // A FileAs typed in stays; one the names gave follows them.
    if (fileAsPut_ || (stored && !stored->empty() && *stored != LoadedFileAs())) return stored.value_or(u"");
    return ComputedFileAs(record_.StringOrEmpty(kContactFirstName), record_.StringOrEmpty(kContactLastName),
                          record_.StringOrEmpty(kContactCompanyName));
}

HRESULT OutlookContact::get_FileAs(BSTR* value) { return Out(CurrentFileAs(), value); }

HRESULT OutlookContact::put_FileAs(BSTR value)
{
    const std::u16string text = Text(value);
    // An empty FileAs goes back to following the names.
    fileAsPut_ = !text.empty();
    return PutText(kContactFileAs, value);
}

HRESULT OutlookContact::GetText(CEPROPID id, BSTR* value) { return Out(record_.StringOrEmpty(id), value); }

HRESULT OutlookContact::PutText(CEPROPID id, BSTR value)
{
    const std::u16string text = Text(value);
    if (text.empty())
        record_.Remove(id);
    else
        record_.SetString(id, text);
    return S_OK;
}

HRESULT OutlookContact::GetDate(CEPROPID id, DATE* date)
{
    if (!date) return E_POINTER;
    auto pending = pendingDates_.find(id);
    if (pending != pendingDates_.end()) {
        *date = pending->second;
        return S_OK;
    }
    const std::optional<FILETIME> stored = record_.FileTime(id);
    const std::optional<DATE> value = stored ? OutlookDateFromFileTime(*stored) : std::nullopt;
    *date = value.value_or(kNoOleDate);
    return S_OK;
}

HRESULT OutlookContact::PutDate(CEPROPID id, DATE date)
{
    // Dates are whole days.
    if (std::isfinite(date) && date != kNoOleDate && date >= 0) date = std::floor(date);
    pendingDates_[id] = date;
    return S_OK;
}

HRESULT OutlookContact::get_Categories(BSTR* categories)
{
    return Out(pendingCategories_ ? *pendingCategories_ : OutlookCategoryText::Read(record_), categories);
}

HRESULT OutlookContact::put_Categories(BSTR categories)
{
    pendingCategories_ = Text(categories);
    return S_OK;
}

HRESULT OutlookContact::get_Body(BSTR* body)
{
    return Out(OutlookNote::TextFromBlob(record_.Blob(kOutlookNoteProperty).value_or(std::vector<BYTE>())), body);
}

HRESULT OutlookContact::put_Body(BSTR body)
{
    std::vector<BYTE> blob = OutlookNote::BlobFromText(Text(body));
    if (blob.empty())
        record_.Remove(kOutlookNoteProperty);
    else
        record_.SetBlob(kOutlookNoteProperty, std::move(blob));
    return S_OK;
}

HRESULT OutlookContact::get_BodyInk(BSTR* body)
{
    if (!body) return E_POINTER;
    *body = OutlookNote::BstrFromBlob(record_.Blob(kOutlookNoteProperty).value_or(std::vector<BYTE>()));
    return *body ? S_OK : E_OUTOFMEMORY;
}

HRESULT OutlookContact::put_BodyInk(BSTR body)
{
    std::vector<BYTE> blob = OutlookNote::BlobFromBstr(body);
    if (blob.empty())
        record_.Remove(kOutlookNoteProperty);
    else
        record_.SetBlob(kOutlookNoteProperty, std::move(blob));
    return S_OK;
}

HRESULT OutlookContact::Save()
{
    OutlookSaveCheck check;
    for (const auto& [id, value] : record_.Values())
        if (TypeFromPropID(id) == CEVT_LPWSTR && record_.IsChanged(id))
            if (const auto* text = std::get_if<std::u16string>(&value)) check.Text(*text);
    for (const auto& [id, date] : pendingDates_) {
        check.Date(date);
        if (!IsOutlookDateNone(date)) check.Require(OutlookDateToFileTime(date).has_value(), E_INVALIDDATES);
    }
    const std::u16string fileAs = CurrentFileAs();
    check.Text(fileAs);
    if (pendingCategories_) check.Text(*pendingCategories_, 4000);
    if (FAILED(check.Result())) return check.Result();

    OutlookItemRecord saved = record_;
    if (fileAs.empty())
        saved.Remove(kContactFileAs);
    else if (saved.StringOrEmpty(kContactFileAs) != fileAs)
        saved.SetString(kContactFileAs, fileAs);
    for (const auto& [id, date] : pendingDates_) {
        if (IsOutlookDateNone(date))
            saved.Remove(id);
        else
            saved.SetFileTime(id, *OutlookDateToFileTime(date));
    }
    if (pendingCategories_) {
        const HRESULT stored = OutlookCategoryText::Store(saved, *pendingCategories_);
        if (FAILED(stored)) return stored;
    }
    const HRESULT result = saved.Save();
    if (FAILED(result)) return result;
    record_ = std::move(saved);
    pendingDates_.clear();
    pendingCategories_.reset();
    loadedFirst_ = record_.StringOrEmpty(kContactFirstName);
    loadedLast_ = record_.StringOrEmpty(kContactLastName);
    loadedCompany_ = record_.StringOrEmpty(kContactCompanyName);
    return S_OK;
}

HRESULT OutlookContact::Delete()
{
    const HRESULT result = record_.Delete();
    if (SUCCEEDED(result)) {
        pendingDates_.clear();
        pendingCategories_.reset();
        fileAsPut_ = false;
        loadedFirst_.clear();
        loadedLast_.clear();
        loadedCompany_.clear();
    }
    return result;
}

HRESULT OutlookContact::Copy(IContact** copy)
{
    if (!copy) return E_POINTER;
    auto* contact = new OutlookContact(app_.Get(), record_.CopyAsNew());
    // The copy follows the names exactly as this item would.
    contact->fileAsPut_ = fileAsPut_;
    contact->loadedFirst_ = loadedFirst_;
    contact->loadedLast_ = loadedLast_;
    contact->loadedCompany_ = loadedCompany_;
    contact->pendingDates_ = pendingDates_;
    contact->pendingCategories_ = pendingCategories_;
    *copy = contact;
    return S_OK;
}

HRESULT OutlookContact::Display() { return E_NOTIMPL; }

HRESULT OutlookContact::get_Oid(LONG* oid)
{
    if (!oid) return E_POINTER;
    *oid = static_cast<LONG>(record_.Oid());
    return S_OK;
}

HRESULT OutlookContact::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }
