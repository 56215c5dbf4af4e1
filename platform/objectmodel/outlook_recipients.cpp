#include "platform/objectmodel/outlook_recipients.h"

#include "platform/objectmodel/outlook_bstr.h"

namespace {

void PutText(std::vector<BYTE>& out, const std::u16string& text)
{
    const size_t count = text.size() > 0xFFFF ? 0xFFFF : text.size();
    out.push_back(static_cast<BYTE>(count));
    out.push_back(static_cast<BYTE>(count >> 8));
    for (size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<BYTE>(text[i]));
        out.push_back(static_cast<BYTE>(text[i] >> 8));
    }
}

bool GetText(const std::vector<BYTE>& in, size_t& at, std::u16string& text)
{
    if (in.size() - at < 2) return false;
    const size_t count = in[at] | (in[at + 1] << 8);
    at += 2;
    if ((in.size() - at) / 2 < count) return false;
    text.resize(count);
    for (size_t i = 0; i < count; ++i, at += 2) text[i] = static_cast<char16_t>(in[at] | (in[at + 1] << 8));
    return true;
}

}  // namespace

std::vector<BYTE> EncodeOutlookAttendees(const OutlookAttendeeList& attendees)
{
    if (attendees.empty()) return {};
    std::vector<BYTE> out;
    const DWORD count = static_cast<DWORD>(attendees.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(count >> (8 * i)));
    for (const auto& attendee : attendees) {
        PutText(out, attendee->name);
        PutText(out, attendee->address);
    }
    return out;
}

std::optional<OutlookAttendeeList> DecodeOutlookAttendees(const std::vector<BYTE>& blob)
{
    if (blob.size() < 4) return std::nullopt;
    const DWORD count = blob[0] | (blob[1] << 8) | (blob[2] << 16) | (static_cast<DWORD>(blob[3]) << 24);
    // Every attendee takes at least 4 bytes.
    if (count > (blob.size() - 4) / 4) return std::nullopt;
    OutlookAttendeeList list;
    size_t at = 4;
    for (DWORD i = 0; i < count; ++i) {
        auto attendee = std::make_shared<OutlookAttendee>();
        if (!GetText(blob, at, attendee->name) || !GetText(blob, at, attendee->address)) return std::nullopt;
        list.push_back(std::move(attendee));
    }
    if (at != blob.size()) return std::nullopt;
    return list;
}

OutlookRecipients::OutlookRecipients(IPOutlookApp* app, std::shared_ptr<OutlookAttendeeList> attendees)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), attendees_(std::move(attendees))
{}

HRESULT OutlookRecipients::Add(BSTR name, IRecipient** recipient)
{
    auto attendee = std::make_shared<OutlookAttendee>();
    attendee->name = OutlookBstrText(name);
    attendees_->push_back(attendee);
    if (recipient) *recipient = new OutlookRecipient(app_.Get(), attendee);
    return S_OK;
}

HRESULT OutlookRecipients::Item(int index, IRecipient** recipient)
{
    if (!recipient) return E_POINTER;
    *recipient = nullptr;
    if (index < 1 || static_cast<size_t>(index) > attendees_->size()) return E_INVALIDARG;
    *recipient = new OutlookRecipient(app_.Get(), (*attendees_)[index - 1]);
    return S_OK;
}

HRESULT OutlookRecipients::Remove(int index)
{
    if (index < 1 || static_cast<size_t>(index) > attendees_->size()) return E_INVALIDARG;
    attendees_->erase(attendees_->begin() + (index - 1));
    return S_OK;
}

HRESULT OutlookRecipients::get_Count(int* count)
{
    if (!count) return E_POINTER;
    *count = static_cast<int>(attendees_->size());
    return S_OK;
}

HRESULT OutlookRecipients::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }

OutlookRecipient::OutlookRecipient(IPOutlookApp* app, std::shared_ptr<OutlookAttendee> attendee)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), attendee_(std::move(attendee))
{}

HRESULT OutlookRecipient::get_Name(BSTR* name) { return OutlookBstrOut(attendee_->name, name); }

HRESULT OutlookRecipient::put_Name(BSTR name)
{
    attendee_->name = OutlookBstrText(name);
    return S_OK;
}

HRESULT OutlookRecipient::get_Address(BSTR* address) { return OutlookBstrOut(attendee_->address, address); }

HRESULT OutlookRecipient::put_Address(BSTR address)
{
    attendee_->address = OutlookBstrText(address);
    return S_OK;
}

HRESULT OutlookRecipient::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }
