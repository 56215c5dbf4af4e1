// CContact: beaming, appointments and tasks made from a contact, the recent
// list and the summary mark-up.
#include <cmath>

#include "engine/recent_contacts.h"
#include "foundation/markup_literal.h"
#include "items/c_appointment.h"
#include "items/c_contact.h"
#include "items/c_journal.h"
#include "items/c_links.h"
#include "items/c_task.h"
#include "items/c_task_settings.h"
#include "items/infrared_beam.h"
#include "platform/files/files.h"
#include "platform/locale/date_format.h"
#include "platform/modules/libraries.h"
#include "platform/objectstore/store_schema.h"
#include "platform/ui/menus.h"
#include "platform/ui/ui_host.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "storage/c_outlook.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"
#include "storage/pocket_outlook_icontext.h"
#include "storage/registry_functions.h"

using task_item::ShowString;

namespace {

// Pictures of the summary rows.
constexpr int kSummaryPhoneIcon = 237;
constexpr int kSummaryMailIcon = 267;
constexpr int kSummaryWebIcon = 293;
// The duration of an appointment made from a contact, in minutes.
constexpr int kFromContactMinutes = 60;

using IPimMenuAddInFactory = IPimMenuAddIn* (*)();

// Beams oid through the add-in registered for contacts: S_FALSE when none
// is registered or its library is missing, else the add-in's result.
HRESULT BeamThroughAddIn(long oid)
{
    if (!SuiteSetting(u"bUseExternalPlugins", 0)) return S_FALSE;
    WCHAR library[MAX_PATH] = {};
    if (GetFromRegistrySZ(HKEY_LOCAL_MACHINE, kBeamAddInKey, u"DLL", library, MAX_PATH) != 0 || !library[0])
        return S_FALSE;
    if (GetFileAttributesW(library) == INVALID_FILE_ATTRIBUTES) return S_FALSE;
    HMODULE module = LoadLibraryW(library);
    if (!module) return S_FALSE;
    HRESULT result = S_FALSE;
    auto factory = reinterpret_cast<IPimMenuAddInFactory>(GetProcAddress(module, "GetPimMenuAddIn"));
    if (IPimMenuAddIn* addIn = factory ? factory() : nullptr) {
        CPocketOutlookIContext context(olContactItem);
        context.SetOid(static_cast<CEOID>(oid));
        context.AddAddIn(addIn);
        HMENU menu = CreatePopupMenu();
        constexpr UINT kFirstCommand = 0x9000;
        const UINT next = context.QueryMenu(menu, kFirstCommand, kFirstCommand + 99);
        result = next > kFirstCommand ? context.InvokeCommand(kFirstCommand) : E_FAIL;
        DestroyMenu(menu);
    }
    FreeLibrary(module);
    return result;
}

std::u16string LongDate(double date)
{
    SYSTEMTIME at{};
    WCHAR text[80] = {};
    if (!VariantTimeToSystemTime(date, &at)) return u"";
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &at, nullptr, text, 80) > 0 ? text : u"";
}

}  // namespace

// ---- Beaming ----

bool CContact::SendViaIR()
{
    if (!RequireItem()) return false;
    const HRESULT viaAddIn = BeamThroughAddIn(m_oid);
    if (viaAddIn != S_FALSE) {
        if (SUCCEEDED(viaAddIn)) MarkRecent();
        else if (viaAddIn != E_ABORT) ShowString(kBeamFailedString, MB_ICONERROR);
        return SUCCEEDED(viaAddIn);
    }
    if (!BeamItemOrShow(olContactItem, m_oid)) return false;
    MarkRecent();
    return true;
}

void CContact::SendBusinessCard()
{
    const int me = ItemSetting(kContactItemKey, u"ThisIsMe", 0);
    if (me < 1) return;
    CContact owner;
    if (!owner.ReadOID(me)) {
        ShowString(kContactMissingString, MB_ICONERROR);
        return;
    }
    owner.SendViaIR();
}

void CContact::MarkRecent()
{
    if (m_oid) CRecentContacts::MarkRecent(static_cast<CEOID>(m_oid));
}

// ---- Appointments and tasks from a contact ----

std::u16string CContact::PreferredNumber()
{
    CeDb db;
    CeDbRecord record;
    ULONG ids[] = {kContactPreferredNumber};
    if (db.Open(kContactsDatabase, 0, 0, nullptr) && db.SeekTo(static_cast<ULONG>(m_oid)) == static_cast<CEOID>(m_oid) &&
        db.ReadRec(record, 1, ids)) {
        if (const CEPROPVAL* preferred = record.Stored(kContactPreferredNumber)) {
            const ULONG property = preferred->val.ulVal;
            for (int i = 0; i < kFieldCount; ++i) {
                if (i != kCategories && property != kContactPreferredNumber &&
                    m_fields[i].GetPropID() == property) {
                    const std::u16string number = Text(static_cast<Field>(i));
                    if (!number.empty()) return number;
                }
            }
        }
    }
    for (Field field : {kBusinessPhone, kBusiness2Phone, kHomePhone, kHome2Phone, kMobilePhone, kCarPhone, kPager}) {
        const std::u16string number = Text(field);
        if (!number.empty()) return number;
    }
    return {};
}

std::u16string CContact::ItemSubject()
{
    std::u16string subject = Text(kFileAs);
    if (subject.empty()) subject = u"No-Name";
    const std::u16string number = PreferredNumber();
    return number.empty() ? subject : subject + u" " + number;
}

long CContact::CreateAppointmentFrom(CePtrList<CFullCategory*>* categories)
{
    if (!RequireItem()) return 0;
    LoadData();
    const std::u16string subject = ItemSubject();
    CAppointment appointment;
    if (!appointment.Create(kNoOleDate, subject.c_str(), kFromContactMinutes, categories, categories == nullptr))
        return 0;
    if (!appointment.Save() || !appointment.Oid()) return 0;
    const long made = appointment.Oid();
    CLinks::Create(m_oid, made, nullptr, kLinkToAppointment, 0, subject.c_str());
    CLinks::Create(made, m_oid, nullptr, kLinkToContact, 0, Text(kFileAs).c_str());
    CJournal::AutoJournal(u"CreateAppointment", kJournalAppointmentForContactString, static_cast<CEOID>(m_oid),
                          Text(kFileAs).c_str(), nullptr);
    CJournal::AutoJournal(u"AppointmentCreatedFromContact", kJournalAppointmentForContactString,
                          static_cast<CEOID>(made), subject.c_str(), nullptr);
    return made;
}

long CContact::CreateTaskFrom(CePtrList<CFullCategory*>* categories)
{
    if (!RequireItem()) return 0;
    LoadData();
    const std::u16string subject = ItemSubject();
    CTask task;
    if (!task.Create(kNoOleDate, subject.c_str(), categories, categories == nullptr)) return 0;
    if (!task.Save() || !task.Oid()) return 0;
    const long made = task.Oid();
    CLinks::Create(m_oid, made, nullptr, kLinkToTask, 0, subject.c_str());
    CLinks::Create(made, m_oid, nullptr, kLinkToContact, 0, Text(kFileAs).c_str());
    CJournal::AutoJournal(u"CreateTask", kJournalAppointmentForContactString, static_cast<CEOID>(m_oid),
                          Text(kFileAs).c_str(), nullptr);
    CJournal::AutoJournal(u"TaskCreatedFromContact", kJournalAppointmentForContactString, static_cast<CEOID>(made),
                          subject.c_str(), nullptr);
    return made;
}

// ---- Summary ----

std::vector<std::u16string> CContact::SummaryRows()
{
    std::vector<std::u16string> rows;
    if (!RequireItem()) return rows;
    LoadData();
    const std::u16string background = SummaryColour(u"SummaryDlgContactBackground", u"#FFFFFF");
    const std::u16string body = u"<BODY BGCOLOR=" + background + u">";
    const std::u16string value = u"<FONT SIZE=2 COLOR=" + SummaryColour(u"SummaryDlgContactForeground", u"#000000") + u">";
    const std::u16string label = u"<FONT SIZE=1 COLOR=" + SummaryColour(u"SummaryDlgContactLabel", u"#3E5DD0") + u">";
    const std::u16string big = u"<FONT SIZE=3 COLOR=" + SummaryColour(u"SummaryDlgContactForeground", u"#000000") + u">";

    std::u16string name;
    for (Field f : {kTitle, kFirstName, kMiddleName, kLastName, kSuffix}) {
        const std::u16string part = Text(f);
        if (!part.empty()) name += (name.empty() ? u"" : u" ") + part;
    }
    if (name.empty()) name = Text(kFileAs);
    std::u16string lines;
    for (Field f : {kCompany, kDepartment, kJobTitle}) {
        const std::u16string text = Text(f);
        if (!text.empty()) lines += u"<BR>" + value + MarkupLiteral(text) + u"</FONT>";
    }
    rows.push_back(body + big + u"<B>" + MarkupLiteral(name) + u"</B></FONT>" + lines);

    struct Link {
        Field field;
        const char16_t* label;
        const char16_t* scheme;
        int icon;
    };
    // The label is the menu's (InfoLabel) unless given.
    static const Link kLinks[] = {
        {kMobilePhone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kBusinessPhone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kBusiness2Phone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kHomePhone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kHome2Phone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kCarPhone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kPager, nullptr, u"TEL", kSummaryPhoneIcon},
        {kRadioPhone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kAssistantPhone, nullptr, u"TEL", kSummaryPhoneIcon},
        {kBusinessFax, nullptr, u"TEL", kSummaryPhoneIcon},
        {kHomeFax, nullptr, u"TEL", kSummaryPhoneIcon},
        {kMobilePhone, u"Text message", u"SMS", kSummaryMailIcon},
        {kEmail1, nullptr, u"EML", kSummaryMailIcon},
        {kEmail2, nullptr, u"EML", kSummaryMailIcon},
        {kEmail3, nullptr, u"EML", kSummaryMailIcon},
        {kWebPage, nullptr, u"WEB", kSummaryWebIcon},
    };
    for (const Link& link : kLinks) {
        const std::u16string text = Text(link.field);
        if (text.empty()) continue;
        const std::u16string icon = task_item::Decimal(link.icon);
        const std::u16string shown = MarkupLiteral(text);
        // The link target keeps the value as typed, quotes left out.
        std::u16string target;
        for (char16_t c : text)
            if (c != u'"') target += c;
        rows.push_back(body + u"<IMG SRC=" + icon + u">  " + label + u"<B>" + (link.label ? link.label : InfoLabel(link.field)) + u"</B></FONT><BR><IMG SRC=" +
                       icon + u" NODRAW>  " + value + u"<A=\"" + link.scheme + u":" + MarkupLiteral(target) + u"\">" +
                       shown + u"</A></FONT><EDGE>");
    }

    const bool european = ItemSetting(kContactItemKey, u"bEuropeanStyleCityZip", 0) != 0;
    struct Address {
        Field street;
        const char16_t* label;
    };
    for (const Address& address : {Address{kHomeStreet, u"Home address"}, Address{kBusinessStreet, u"Work address"},
                                   Address{kOtherStreet, u"Other address"}}) {
        const int at = address.street;
        const std::u16string street = Text(static_cast<Field>(at)), city = Text(static_cast<Field>(at + 1)),
                             state = Text(static_cast<Field>(at + 2)), code = Text(static_cast<Field>(at + 3)),
                             country = Text(static_cast<Field>(at + 4));
        if (street.empty() && city.empty() && state.empty() && code.empty() && country.empty()) continue;
        const auto line = [&](const std::u16string& text) {
            return text.empty() ? std::u16string() : u"<BR>" + MarkupLiteral(text);
        };
        std::u16string place;
        if (european)
            place = MarkupLiteral(code) + (code.empty() ? u"" : u" ") + MarkupLiteral(city) +
                    (state.empty() ? u"" : u" " + MarkupLiteral(state));
        else
            place = MarkupLiteral(city) + (city.empty() || (state.empty() && code.empty()) ? u"" : u", ") +
                    MarkupLiteral(state) + (code.empty() ? u"" : u"  " + MarkupLiteral(code));
        rows.push_back(body + u"<SPAN>" + label + u"<B>" + address.label + u"</B></FONT></SPAN>" + value +
                       MarkupLiteral(street) + (place.empty() ? u"" : u"<BR>" + place) + line(country) +
                       u"</FONT></BODY>");
    }

    if (!task_item::IsNoDate(Birthday()) && Birthday() > 0)
        rows.push_back(body + u"<SPAN><IMG SRC=\"~Birthday.bmp\"></SPAN>" + value + u"Birthday: " +
                       LongDate(Birthday()) + u"</FONT>");
    if (!task_item::IsNoDate(Anniversary()) && Anniversary() > 0)
        rows.push_back(body + u"<SPAN><IMG SRC=\"~Anniversary.bmp\"></SPAN>" + value + u"Anniversary: " +
                       LongDate(Anniversary()) + u"</FONT>");
    if (m_oid)
        rows.push_back(body + value + u"<P CENTER><U><B><A=\"LOG:" +
                       Utf8ToWide(std::to_string(static_cast<unsigned long>(static_cast<ULONG>(m_oid)))) +
                       u"\">Call history</A></B></U></FONT>");
    return rows;
}
