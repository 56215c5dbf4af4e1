#include "tools/kstools/sample/sample_vocabulary.h"

namespace kstools {
namespace {

constexpr const char16_t* kFirstNames[] = {
    u"Anna",  u"Björn", u"Carla",   u"David", u"Émile",  u"Fiona", u"George",  u"Hannah", u"Ivan",   u"Julia",
    u"Kenji", u"Laura", u"Miguel",  u"Nadia", u"Oliver", u"Priya", u"Quentin", u"Rosa",   u"Samuel", u"Tara",
    u"Umar",  u"Vera",  u"William", u"Xenia", u"Yusuf",  u"Zoë",   u"Aisha",   u"Bruno",  u"Chloé",  u"Diego",
};
constexpr const char16_t* kLastNames[] = {
    u"Anderson", u"Becker",   u"Castillo", u"Dubois",     u"Eriksson", u"Fischer", u"García",
    u"Hoffmann", u"Ishikawa", u"Jensen",   u"Kowalski",   u"Lambert",  u"Müller",  u"Nakamura",
    u"O'Brien",  u"Petrov",   u"Quinn",    u"Rossi",      u"Schmidt",  u"Tanaka",  u"Underwood",
    u"Virtanen", u"Walsh",    u"Young",    u"Zimmermann",
};
constexpr const char16_t* kCompanies[] = {
    u"Northwind Traders", u"Blue Heron Logistics",   u"Cobalt Systems",        u"Fernwood Bakery",
    u"Granite Peak Bank", u"Harbor Light Insurance", u"Juniper Design Studio", u"Lakeside Dental",
    u"Maple & Pine Law",  u"Orion Software",         u"Redwood Medical Group", u"Silver Birch Consulting",
    u"Tidewater Marine",
};
constexpr const char16_t* kJobTitles[] = {
    u"Account Manager",      u"Chief Financial Officer", u"Dentist",   u"Engineer", u"Office Manager", u"Project Lead",
    u"Sales Representative", u"Software Developer",      u"Solicitor", u"Teacher",
};
constexpr const char16_t* kDepartments[] = {u"Finance", u"Sales", u"Engineering", u"Operations", u"Legal"};
constexpr const char16_t* kStreetNames[] = {
    u"Oak Street",      u"Maple Avenue", u"Elm Road",    u"Harbour Lane", u"Station Road",
    u"Hillcrest Drive", u"Kings Way",    u"Mill Street", u"Church Lane",  u"Park Avenue",
};
constexpr SampleStreet kCities[] = {
    {u"Seattle", u"WA", u"981", u"United States"}, {u"Portland", u"OR", u"972", u"United States"},
    {u"Boston", u"MA", u"021", u"United States"},  {u"Austin", u"TX", u"787", u"United States"},
    {u"Toronto", u"ON", u"M5V", u"Canada"},        {u"Manchester", u"", u"M1", u"United Kingdom"},
    {u"Hamburg", u"", u"204", u"Germany"},         {u"Lyon", u"", u"690", u"France"},
};
constexpr const char16_t* kMailDomains[] = {u"example.com", u"example.org", u"example.net"};
constexpr const char16_t* kAppointmentSubjects[] = {
    u"Dentist",
    u"Haircut",
    u"Lunch with Sam",
    u"Car service",
    u"Parent-teacher evening",
    u"Yoga class",
    u"Dinner with the Beckers",
    u"Pick up dry cleaning",
    u"Eye test",
    u"Gym",
    u"Coffee with Laura",
    u"Concert",
    u"Swimming lessons",
    u"Vet appointment",
    u"Cinema",
};
constexpr const char16_t* kMeetingSubjects[] = {
    u"Budget review", u"Design review",    u"Sprint planning", u"Customer call",     u"One-to-one",
    u"Interview",     u"Release planning", u"Vendor demo",     u"Quarterly results", u"Workshop",
};
constexpr const char16_t* kLocations[] = {
    u"Room 4B", u"Main office", u"Conference room 2", u"Café Rio", u"Online", u"Town hall", u"Clinic", u"", u"", u"",
};
constexpr const char16_t* kTaskSubjects[] = {
    u"Call the plumber",        u"Finish the quarterly report",
    u"Renew passport",          u"Book flights",
    u"Order printer ink",       u"Update the budget spreadsheet",
    u"Send thank-you cards",    u"Back up the laptop",
    u"Prepare slides",          u"Review the contract",
    u"Buy birthday present",    u"Return library books",
    u"Schedule car inspection", u"Clean out the garage",
    u"File expense report",     u"Read chapter 4",
    u"Plan team offsite",       u"Reply to Priya",
    u"Fix the garden fence",    u"Cancel the old phone plan",
};
constexpr const char16_t* kNotes[] = {
    u"Bring the documents.", u"Parking behind the building.",        u"Ask about the invoice.",
    u"Agenda to follow.",    u"Remember to confirm the day before.",
};
constexpr const char16_t* kCategories[] = {
    u"Business", u"Personal", u"Family", u"Travel", u"Health", u"Finance",
};

}  // namespace

SampleWords SampleVocabulary::FirstNames() { return kFirstNames; }
SampleWords SampleVocabulary::LastNames() { return kLastNames; }
SampleWords SampleVocabulary::Companies() { return kCompanies; }
SampleWords SampleVocabulary::JobTitles() { return kJobTitles; }
SampleWords SampleVocabulary::Departments() { return kDepartments; }
SampleWords SampleVocabulary::StreetNames() { return kStreetNames; }
std::span<const SampleStreet> SampleVocabulary::Cities() { return kCities; }
SampleWords SampleVocabulary::MailDomains() { return kMailDomains; }
SampleWords SampleVocabulary::AppointmentSubjects() { return kAppointmentSubjects; }
SampleWords SampleVocabulary::MeetingSubjects() { return kMeetingSubjects; }
SampleWords SampleVocabulary::Locations() { return kLocations; }
SampleWords SampleVocabulary::TaskSubjects() { return kTaskSubjects; }
SampleWords SampleVocabulary::Notes() { return kNotes; }
SampleWords SampleVocabulary::Categories() { return kCategories; }

}  // namespace kstools
