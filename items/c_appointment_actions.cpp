// CAppointment: the actions that save at once (busy status, privacy,
// templates, enciphering) and the summary.
#include <cmath>

#include "items/c_appointment.h"
#include "items/c_task_settings.h"
#include "platform/text/owned_bstr.h"
#include "items/item_bstr.h"
#include "items/item_cipher.h"
#include "items/pass_key.h"
#include "foundation/markup_literal.h"
#include "platform/locale/date_format.h"
#include "platform/time/variant_time.h"
#include "storage/c_outlook.h"
#include "storage/c_registry.h"

using task_item::IsNoDate;

bool CAppointment::ChangeBusyStatus(LONG status)
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!RequireItem()) return false;
    m_busy = status;
    m_item->put_BusyStatus(status);
    if (!SaveItem(false)) return false;
    if (!m_occurrence) WriteCategoryBlob();
    return true;
}

bool CAppointment::SetPrivacy()
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!RequireItem()) return false;
    if (m_sensitivity != olNormal) {
        if (!CPassKey::CheckPass()) return false;
        m_sensitivity = olNormal;
    } else {
        m_sensitivity = olPrivate;
    }
    m_item->put_Sensitivity(m_sensitivity);
    if (!SaveItem(false)) return false;
    if (!m_occurrence) WriteCategoryBlob();
    return true;
}

long CAppointment::SaveAsTemplate(const WCHAR* name)
{
    if (!name || !*name || !RequireItem()) return 0;
    platform::ComRef<IAppointment> copy;
    if (FAILED(m_item->Copy(copy.Put())) || !copy) return 0;
    // A template is parked on the last day the lists accept, at its own time
    // of day; a series would be shown again in every later year, so it is
    // kept as a single appointment.
    copy->ClearRecurrencePattern();
    copy->put_Start(kAppointmentTemplateDay + (m_start - std::floor(m_start)));
    copy->put_Duration(m_duration);
    item_text::Put(copy.Get(), &IAppointment::put_Subject, ComposeSubject(m_subject, false, name));
    const HRESULT hr = copy->Save();
    if (FAILED(hr)) {
        COutlook::DisplayPIMSaveError(hr);
        return 0;
    }
    LONG oid = 0;
    copy->get_Oid(&oid);
    return oid;
}

int CAppointment::Crypt(const WCHAR* passphrase, long oid) { return ItemCipher::Crypt(passphrase, oid); }

namespace {

std::u16string Colour(const WCHAR* name, const WCHAR* fallback) { return SummaryColour(name, fallback); }

std::u16string Formatted(double when, bool date)
{
    SYSTEMTIME at{};
    WCHAR text[80] = {};
    if (IsNoDate(when) || !VariantTimeToSystemTime(when, &at)) return u"";
    const int written = date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &at, nullptr, text, 80)
                             : GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &at, nullptr, text, 80);
    return written > 0 ? text : u"";
}

// The contact whose first, second or third e-mail address is address; 0
// when none is.
long ContactWithAddress(const std::u16string& address)
{
    if (address.empty()) return 0;
    std::u16string quoted = u"\"";
    for (char16_t c : address) quoted += c == u'"' ? std::u16string(u"\"\"") : std::u16string(1, c);
    quoted += u"\"";
    const std::u16string restriction = u"[Email1Address] = " + quoted + u" OR [Email2Address] = " + quoted +
                                       u" OR [Email3Address] = " + quoted;
    platform::ComRef<IFolder> folder;
    platform::ComRef<IPOutlookItemCollection> items;
    platform::ComRef<IDispatch> found;
    if (FAILED(COutlook::GetOutlookObject().GetDefaultFolder(olFolderContacts, folder.Put())) || !folder ||
        FAILED(folder->get_Items(items.Put())) || !items)
        return 0;
    platform::OwnedBstr text(restriction);
    auto contact = SUCCEEDED(items->Find(text, found.Put())) ? platform::ComRef<IContact>::Query(found.Get())
                                                             : platform::ComRef<IContact>();
    LONG oid = 0;
    if (contact) contact->get_Oid(&oid);
    return oid;
}

}  // namespace

std::u16string CAppointment::SummaryMarkup() const
{
    const std::u16string label = u"<FONT SIZE=1 COLOR=" + Colour(u"SummaryDlgApptLabel", u"#3E5DD0") + u">";
    const std::u16string value = u"<FONT SIZE=2 COLOR=" + Colour(u"SummaryDlgApptForeground", u"#000000") + u">";
    const auto line = [&](std::u16string_view name, std::u16string_view text) {
        return u"<SPAN>" + label + std::u16string(name) + u"</FONT></SPAN>" + value + MarkupLiteral(text) + u"</FONT>\n";
    };
    std::u16string markup = u"<BODY BGCOLOR=" + Colour(u"SummaryDlgApptBackground", u"#FFFFFF") + u">\n";
    markup += value + u"<B>" + MarkupLiteral(m_subject) + u"</B></FONT>\n";
    const bool sameDay = std::floor(m_start) == std::floor(m_end - (m_allDay ? 1.0 / 1440 : 0));
    if (m_allDay) {
        markup += value + u"<B>" + Formatted(m_start, true) + u"</B>" +
                  (sameDay ? u"" : u" - <B>" + Formatted(m_end - 1.0 / 1440, true) + u"</B>") + u" (all day)</FONT>\n";
    } else if (sameDay) {
        markup += value + Formatted(m_start, true) + u" <B>" + Formatted(m_start, false) + u"</B> - <B>" +
                  Formatted(m_end, false) + u"</B></FONT>\n";
    } else {
        markup += value + u"<B>" + Formatted(m_start, true) + u"</B> " + Formatted(m_start, false) + u" - <B>" +
                  Formatted(m_end, true) + u"</B> " + Formatted(m_end, false) + u"</FONT>\n";
    }
    if (m_reminderSet)
        markup += value + u"<IMG SRC=213> " + task_item::Decimal(m_reminderMinutes) + u" minutes before</FONT>\n";
    markup += u"<EDGE>\n";
    if (!m_location.empty()) markup += line(u"Location: ", m_location);
    static const WCHAR* const kBusy[] = {u"Free", u"Tentative", u"Busy", u"Out of office"};
    if (m_busy >= 0 && m_busy <= 3) markup += line(u"Status: ", kBusy[m_busy]);
    if (m_sensitivity != olNormal) markup += line(u"Sensitivity: ", u"Private");
    if (IsRecurring() || m_occurrence) markup += line(u"Recurs: ", m_occurrence ? u"Occurrence of a series" : u"Yes");
    if (!m_categories.empty()) markup += line(u"Categories: ", m_categories);
    // Attendees known as contacts link to them (the target is written as the
    // suite has always written it, "OID:" and the number followed by "l").
    platform::ComRef<IRecipients> recipients;
    int count = 0;
    if (m_item && SUCCEEDED(m_item->get_Recipients(recipients.Put())) && recipients) recipients->get_Count(&count);
    for (int i = 1; i <= count; ++i) {
        platform::ComRef<IRecipient> one;
        if (FAILED(recipients->Item(i, one.Put())) || !one) continue;
        const std::u16string name = item_text::Get(one.Get(), &IRecipient::get_Name);
        const std::u16string address = item_text::Get(one.Get(), &IRecipient::get_Address);
        const std::u16string shown = MarkupLiteral(name.empty() ? address : name);
        const long contact = ContactWithAddress(address);
        const std::u16string text =
            contact ? u"<A=\"OID:" + task_item::Decimal(static_cast<int>(contact)) +
                          u"l\"><U><FONT SIZE=2 COLOR=#0000FF>" + shown + u"</FONT></U></A>"
                    : shown;
        markup += u"<SPAN>" + label + (i == 1 ? u"Attendees: " : u"") + u"</FONT></SPAN>" + value + text + u"</FONT>\n";
    }
    if (!m_body.empty()) markup += u"<EDGE>\n" + value + MarkupLiteral(m_body) + u"</FONT>\n";
    return markup;
}
