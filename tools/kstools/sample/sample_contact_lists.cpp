#include "tools/kstools/sample/sample_contact_lists.h"

#include <algorithm>
#include <string>

#include "engine/recent_contacts.h"
#include "platform/base/last_error.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectstore/call_log.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "platform/time/variant_time.h"
#include "tools/kstools/cli_context.h"
#include "tools/kstools/sample/sample_seed_check.h"

namespace kstools {

using platform::ComRef;
using platform::OwnedBstr;

namespace {

// A local OLE date as a UTC FILETIME.
FILETIME Utc(DATE local)
{
    SYSTEMTIME st{};
    FILETIME localTime{}, utc{};
    VariantTimeToSystemTime(local, &st);
    SystemTimeToFileTime(&st, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return utc;
}

// The caller as the phone shows a contact: mobile number and full name.
void FillFromContact(COutlook& outlook, CEOID oid, platform::CallLogEntry& call)
{
    ComRef<IDispatch> item;
    CheckSeedResult(outlook.GetItemFromOid(static_cast<long>(oid), item.Put()), "read contact " + std::to_string(oid));
    ComRef<IContact> contact = ComRef<IContact>::Query(item.Get());
    if (!contact) CheckSeedResult(E_NOINTERFACE, "read contact " + std::to_string(oid));
    OwnedBstr mobile, first, last;
    contact->get_MobileTelephoneNumber(mobile.Put());
    contact->get_FirstName(first.Put());
    contact->get_LastName(last.Put());
    call.number = mobile.Text();
    call.name = first.Text() + (first.Text().empty() || last.Text().empty() ? u"" : u" ") + last.Text();
    call.contact = oid;
}

}  // namespace

void SampleContactLists::Write(const std::vector<CEOID>& contacts)
{
    for (int i = 0; i < kCalls; ++i) {
        platform::CallLogEntry call;
        const int kind = m_random.Between(0, 99);
        if (!contacts.empty() && kind < 75) {
            FillFromContact(m_outlook, contacts[m_random.Below(static_cast<std::uint32_t>(contacts.size()))], call);
        } else if (kind < 92) {
            call.number = u"+1 (800) 555-0" + std::u16string(1, static_cast<char16_t>(u'1' + m_random.Below(9))) +
                          std::u16string(1, static_cast<char16_t>(u'0' + m_random.Below(10))) + u"0";
        }  // else withheld: no number, no name
        call.start = Utc(m_calendar.At(-m_random.Between(1, 14), m_random.Between(8, 21), m_random.Between(0, 59)));
        call.direction = m_random.Chance(45) ? platform::kCallOutgoing : platform::kCallIncoming;
        call.missed = call.direction == platform::kCallIncoming && m_random.Chance(25);
        call.durationSeconds = call.missed ? 0 : static_cast<DWORD>(m_random.Between(8, 1800));
        if (!platform::AddCallLogEntry(call))
            CheckSeedResult(HRESULT_FROM_WIN32(GetLastError()),
                            "add call " + std::to_string(i + 1) + " to the call log");
    }

    const size_t marked = std::min(contacts.size(), static_cast<size_t>(kRecentContacts));
    for (size_t i = marked; i-- > 0;) {
        if (CRecentContacts::MarkRecent(contacts[i * contacts.size() / marked]) != CELISTFILE_OK)
            throw CommandError("cannot write the recent-contacts file " +
                               WideToUtf8(CRecentContacts::FilePath().c_str()));
    }
}

}  // namespace kstools
