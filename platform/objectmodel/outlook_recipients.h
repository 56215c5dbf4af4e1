// The attendees of a meeting: IRecipients and IRecipient over the list an
// appointment keeps, and the attendee blob (kAppointmentAttendees) it is
// stored as.
//
// Attendee blob (little-endian): a DWORD count, then per attendee the name
// and the address, each a WORD character count followed by that many UTF-16
// units. A list with attendees is therefore longer than 4 bytes, which is
// how readers tell a meeting; an empty list is stored as no property.
//
// Recipient objects share their attendee with the list, so a name or an
// address changed through an IRecipient is saved with the appointment.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pocket_outlook.h"

struct OutlookAttendee {
    std::u16string name;
    std::u16string address;
};
using OutlookAttendeeList = std::vector<std::shared_ptr<OutlookAttendee>>;

// Empty for an empty list; names and addresses are cut at 65535 characters.
std::vector<BYTE> EncodeOutlookAttendees(const OutlookAttendeeList& attendees);
// Nothing when the blob is cut short or has bytes left over.
std::optional<OutlookAttendeeList> DecodeOutlookAttendees(const std::vector<BYTE>& blob);

class OutlookRecipients final : public OutlookObject<IRecipients> {
public:
    OutlookRecipients(IPOutlookApp* app, std::shared_ptr<OutlookAttendeeList> attendees);

    // Adds an attendee by name (its address empty until set).
    HRESULT Add(BSTR name, IRecipient** recipient) override;
    HRESULT Item(int index, IRecipient** recipient) override;
    HRESULT Remove(int index) override;
    HRESULT get_Count(int* count) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookRecipients() override = default;
    platform::ComRef<IPOutlookApp> app_;
    std::shared_ptr<OutlookAttendeeList> attendees_;
};

class OutlookRecipient final : public OutlookObject<IRecipient> {
public:
    OutlookRecipient(IPOutlookApp* app, std::shared_ptr<OutlookAttendee> attendee);

    HRESULT get_Name(BSTR* name) override;
    HRESULT put_Name(BSTR name) override;
    HRESULT get_Address(BSTR* address) override;
    HRESULT put_Address(BSTR address) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookRecipient() override = default;
    platform::ComRef<IPOutlookApp> app_;
    std::shared_ptr<OutlookAttendee> attendee_;
};
