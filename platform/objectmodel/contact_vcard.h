// A contact of the object model as one vCard (3.0 or 4.0), and a vCard read
// into a contact: the mapping of IContact's fields to vCard properties.
//
//   N, FN            names (FN is written from the names, else the company,
//                    else the file-as name; it is never read back)
//   ORG, TITLE       company;department, job title
//   ADR              TYPE=HOME, TYPE=WORK; the other address has no type
//   TEL              HOME / HOME (second) / HOME,FAX / WORK / WORK (second) /
//                    WORK,FAX / CELL / PAGER / CAR / X-RADIO / X-ASSISTANT
//   EMAIL (3), URL, NOTE, CATEGORIES
//   BDAY, ANNIVERSARY (3.0: X-ANNIVERSARY)
//   4.0 RELATED;VALUE=text;TYPE=spouse|child (3.0: X-SPOUSE, X-CHILDREN)
//   X-ASSISTANT, X-OFFICE-LOCATION, X-PHONETIC-FIRST-NAME,
//   X-PHONETIC-LAST-NAME, X-PHONETIC-ORG, and X-CORVID-FILEAS when the
//   file-as name is not the one the names give
//   PHOTO            inline only (3.0 ENCODING=b, 4.0 data: URI, 2.1 BASE64)
// Reading also takes the 2.1 forms and the usual other writers' names
// (X-EVOLUTION-*, X-MS-*, Apple's X-ABDATE is not read). TELs without a type
// fill the first free of mobile, home, business, second home, second
// business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/vcard_text.h"

struct ContactPhoto {
    std::string mimeType;  // "image/jpeg", "image/png", ...
    std::vector<std::uint8_t> bytes;
};

// "3.0" or "4.0" (anything else writes 3.0). photo may be null.
std::string ContactToVCard(IContact* contact, std::string_view version, const ContactPhoto* photo);

// Puts the card's fields into contact (not saved). What the contact cannot
// hold (a fourth e-mail address, a birthday without a year, a photo by
// reference, a text longer than the object model keeps) is not put and is
// told in notes, one line each. photo receives an inline photo. False when
// the card has nothing a contact could show (no name, company, number,
// address or e-mail); notes then say so.
bool VCardToContact(const platform::VCard& card, IContact* contact, ContactPhoto* photo,
                    std::vector<std::string>& notes);

// The file extension of a photo's type, with the dot (".jpg" for JPEG);
// ".bin" for a type not known.
std::string PhotoExtension(const std::string& mimeType);
// The type of a picture from its first bytes (JPEG, PNG, GIF, BMP); empty when
// it is none of those.
std::string PhotoMimeType(const std::vector<std::uint8_t>& bytes);
