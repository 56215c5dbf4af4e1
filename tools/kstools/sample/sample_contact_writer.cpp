#include "tools/kstools/sample/sample_contact_writer.h"

#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/text/owned_bstr.h"
#include "tools/kstools/sample/sample_attendees.h"
#include "tools/kstools/sample/sample_seed_check.h"
#include "tools/kstools/sample/sample_vocabulary.h"

namespace kstools {

using platform::ComRef;
using platform::OwnedBstr;

namespace {

using Setter = HRESULT (IContact::*)(BSTR);

std::u16string Digits(int value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return std::u16string(digits.begin(), digits.end());
}

// A number of the 555-0100..0199 range, kept free for fiction.
std::u16string Phone(SampleRandom& random)
{
    return u"+1 (" + Digits(random.Between(201, 989), 3) + u") 555-01" + Digits(random.Between(0, 99), 2);
}

}  // namespace

CEOID SampleContactWriter::Write(int index)
{
    const std::u16string first = m_random.Pick(SampleVocabulary::FirstNames());
    const std::u16string last = m_random.Pick(SampleVocabulary::LastNames());
    const std::string name = SeedItemName("contact", first + u" " + last);
    ComRef<IDispatch> created;
    CheckSeedResult(m_outlook.CreateItem(olContactItem, created.Put()), "create " + name);
    ComRef<IContact> contact = ComRef<IContact>::Query(created.Get());
    if (!contact) CheckSeedResult(E_NOINTERFACE, "create " + name);

    auto set = [&](Setter setter, const std::u16string& value) {
        CheckSeedResult((contact.Get()->*setter)(OwnedBstr(value)), "fill in " + name);
    };
    set(&IContact::put_FirstName, first);
    set(&IContact::put_LastName, last);
    set(&IContact::put_FileAs, last + u", " + first);
    const std::u16string domain = m_random.Pick(SampleVocabulary::MailDomains());
    set(&IContact::put_Email1Address, SampleAttendees::MailAddress(first, last, domain));
    set(&IContact::put_MobileTelephoneNumber, Phone(m_random));
    if (m_random.Chance(50)) set(&IContact::put_HomeTelephoneNumber, Phone(m_random));

    const SampleStreet& home = m_random.Pick(SampleVocabulary::Cities());
    set(&IContact::put_HomeAddressStreet,
        Digits(m_random.Between(1, 240), 1) + u" " + m_random.Pick(SampleVocabulary::StreetNames()));
    set(&IContact::put_HomeAddressCity, home.city);
    if (*home.state) set(&IContact::put_HomeAddressState, home.state);
    set(&IContact::put_HomeAddressPostalCode, std::u16string(home.postalPrefix) + Digits(m_random.Between(0, 99), 2));
    set(&IContact::put_HomeAddressCountry, home.country);

    const bool business = m_random.Chance(60);
    if (business) {
        set(&IContact::put_CompanyName, m_random.Pick(SampleVocabulary::Companies()));
        set(&IContact::put_JobTitle, m_random.Pick(SampleVocabulary::JobTitles()));
        set(&IContact::put_Department, m_random.Pick(SampleVocabulary::Departments()));
        set(&IContact::put_BusinessTelephoneNumber, Phone(m_random));
        set(&IContact::put_Email2Address, SampleAttendees::MailAddress(first, last, u"example.net"));
        const SampleStreet& office = m_random.Pick(SampleVocabulary::Cities());
        set(&IContact::put_BusinessAddressStreet,
            Digits(m_random.Between(1, 900), 1) + u" " + m_random.Pick(SampleVocabulary::StreetNames()));
        set(&IContact::put_BusinessAddressCity, office.city);
        if (*office.state) set(&IContact::put_BusinessAddressState, office.state);
        set(&IContact::put_BusinessAddressCountry, office.country);
    }
    set(&IContact::put_Categories,
        business ? std::u16string(u"Business") : std::u16string(m_random.Chance(50) ? u"Family" : u"Personal"));
    if (m_random.Chance(10)) set(&IContact::put_Body, m_random.Pick(SampleVocabulary::Notes()));

    const SampleDay today = SampleCalendar::DayOf(m_calendar.Today());
    if (index == 0 || index % 3 == 1) {
        // Around today, so the calendar's birthday lists have near entries.
        const SampleDay day = SampleCalendar::DayOf(m_calendar.At(m_random.Between(-30, 90)));
        const DATE birthday = SampleCalendar::Date(m_random.Between(1945, 2012), day.month, day.day);
        CheckSeedResult(contact->put_Birthday(birthday), "set the birthday of " + name);
    }
    if (index == 0 || index % 5 == 2) {
        const DATE married = SampleCalendar::Date(m_random.Between(1975, today.year - 1), m_random.Between(1, 12),
                                                  m_random.Between(1, 28));
        CheckSeedResult(contact->put_Anniversary(married), "set the anniversary of " + name);
        set(&IContact::put_Spouse, m_random.Pick(SampleVocabulary::FirstNames()));
    }
    CheckSeedResult(contact->Save(), "save " + name);
    LONG oid = 0;
    CheckSeedResult(contact->get_Oid(&oid), "save " + name);
    return static_cast<CEOID>(oid);
}

}  // namespace kstools
