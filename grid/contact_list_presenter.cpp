#include "grid/contact_list_presenter.h"

#include "engine/data_contacts.h"
#include "grid/list_cell_text.h"

namespace {

std::u16string Text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(); }

}  // namespace

std::u16string ContactRowMarkup(const DATACONTACTS& contact)
{
    // A call-log row is made as mark-up by the loader (the call's picture,
    // the name in bold, the number and time below): shown as it is.
    if (contact.callStart.dwLowDateTime || contact.callStart.dwHighDateTime) return Text(contact.displayName);
    std::u16string out;
    const std::u16string second = ListMarkupText(Text(contact.secondLine));
    if (!second.empty()) out += u"<SPAN><FONT COLOR=#505050>" + second + u"</FONT></SPAN>";
    if (contact.groupIndex) out += u"\u00A0\u00A0\u00A0";
    const std::u16string name = ListMarkupText(Text(contact.displayName));
    out += u"<B>" + (name.empty() ? std::u16string(u"(no name)") : name) + u"</B>";
    std::vector<std::u16string> notes{ListCategoryText(contact.categories)};
    if (contact.hasNote) notes.emplace_back(u"note");
    if (contact.hasLinks) notes.emplace_back(u"links");
    if (contact.hasJournal) notes.emplace_back(u"journal");
    const std::u16string line = ListNotesLine(notes);
    if (!line.empty()) out += u"<BR>" + line;
    return out;
}

CListRows ContactListRows(const std::vector<const DATACONTACTS*>& list)
{
    CListRows rows({kListColumnShared});
    for (const DATACONTACTS* contact : list) {
        if (!contact) continue;
        if (contact->header)
            rows.AddHeader(Text(contact->displayName), static_cast<int>(contact->memberCount), contact->expanded != 0);
        else
            rows.AddItem(contact->oid, {ContactRowMarkup(*contact)});
    }
    return rows;
}
