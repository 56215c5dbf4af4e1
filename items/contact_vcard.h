// Contacts to and from vCard files: the exchange form of contacts, shared by
// exporting, importing and beaming.
//
//   std::string text = ContactVCard::Write({oid1, oid2}, "3.0", &errors);
//   ContactImport result = ContactVCard::Read(text);  // contacts made, per-card errors
//
// The field mapping is platform/objectmodel/contact_vcard.h; here the
// contact's picture joins it: written as PHOTO from the file GetPicture
// finds, and an imported PHOTO saved as the contact's picture file
// ("%s\Corvid\ContactPics\<file-as name><ext>").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

struct ContactCardMessage {
    size_t card = 0;    // index of the card in the text, from 0
    int line = 0;       // the line it is about; 0 for the card as a whole
    bool refused = false;  // the card made no contact
    std::string text;
};

struct ContactImport {
    size_t cards = 0;               // cards found
    std::vector<long> oids;         // contacts made, in card order
    std::vector<ContactCardMessage> messages;  // what was refused or left out
};

class KSTOOLS_API ContactVCard {
public:
    // The contacts as vCards of version "3.0" or "4.0", one after the other.
    // An OID that names no contact is skipped and told in errors (when not
    // null).
    static std::string Write(const std::vector<long>& oids, std::string_view version,
                             std::vector<std::string>* errors);
    // Makes one contact of each card that has something a contact shows,
    // saved through the object model. A card that cannot be saved makes
    // nothing and is told; the cards before and after it are not affected.
    static ContactImport Read(std::string_view text);
};
