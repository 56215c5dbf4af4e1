// Contacts and vCards. Sections: Field access; Writing; Reading.
#include "platform/objectmodel/contact_vcard.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>

#include "platform/objectmodel/outlook_contact.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "platform/text/base64.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "platform/time/civil_calendar.h"

namespace {

using platform::VCardParam;
using platform::VCardProperty;

// ---- Field access ----

using Getter = HRESULT (IContact::*)(BSTR*);
using Setter = HRESULT (IContact::*)(BSTR);

struct TextField {
    Getter get;
    Setter put;
};

#define KS_FIELD(Name) TextField{&IContact::get_##Name, &IContact::put_##Name}

std::u16string Get(IContact* c, TextField f)
{
    platform::OwnedBstr text;
    if (FAILED((c->*f.get)(text.Put())) || !text.Get()) return {};
    return std::u16string(text.Get(), SysStringLen(text.Get()));
}

// Line ends as the device keeps them: CR LF.
std::u16string DeviceLines(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += u'\r';
        out += text[i];
    }
    return out;
}

// Puts text unless it is empty or too long for the object model (told in notes).
bool Put(IContact* c, TextField f, const std::u16string& value, const char* what, std::vector<std::string>& notes)
{
    const std::u16string text = DeviceLines(value);
    if (text.empty()) return false;
    if (text.size() > kOutlookMaxTextLength) {
        notes.push_back(std::string(what) + ": " + std::to_string(text.size()) + " characters, more than the " +
                        std::to_string(kOutlookMaxTextLength) + " a contact field holds; not imported");
        return false;
    }
    platform::OwnedBstr owned(text);
    return SUCCEEDED((c->*f.put)(owned));
}

// The telephone fields, with the TYPE values each is written with.
struct PhoneField {
    TextField field;
    const char* types;  // comma-separated, upper case
    const char* name;
};

const PhoneField kPhones[] = {
    {KS_FIELD(HomeTelephoneNumber), "HOME,VOICE", "home telephone"},
    {KS_FIELD(Home2TelephoneNumber), "HOME,VOICE", "second home telephone"},
    {KS_FIELD(HomeFaxNumber), "HOME,FAX", "home fax"},
    {KS_FIELD(BusinessTelephoneNumber), "WORK,VOICE", "business telephone"},
    {KS_FIELD(Business2TelephoneNumber), "WORK,VOICE", "second business telephone"},
    {KS_FIELD(BusinessFaxNumber), "WORK,FAX", "business fax"},
    {KS_FIELD(MobileTelephoneNumber), "CELL,VOICE", "mobile telephone"},
    {KS_FIELD(PagerNumber), "PAGER", "pager"},
    {KS_FIELD(CarTelephoneNumber), "CAR,VOICE", "car telephone"},
    {KS_FIELD(RadioTelephoneNumber), "X-RADIO", "radio telephone"},
    {KS_FIELD(AssistantTelephoneNumber), "X-ASSISTANT", "assistant's telephone"},
};
enum PhoneIndex { kHome, kHome2, kHomeFax, kWork, kWork2, kWorkFax, kCell, kPager, kCar, kRadio, kAssistant };

struct AddressField {
    TextField street, city, state, code, country;
};
const AddressField kAddresses[] = {
    {KS_FIELD(HomeAddressStreet), KS_FIELD(HomeAddressCity), KS_FIELD(HomeAddressState),
     KS_FIELD(HomeAddressPostalCode), KS_FIELD(HomeAddressCountry)},
    {KS_FIELD(BusinessAddressStreet), KS_FIELD(BusinessAddressCity), KS_FIELD(BusinessAddressState),
     KS_FIELD(BusinessAddressPostalCode), KS_FIELD(BusinessAddressCountry)},
    {KS_FIELD(OtherAddressStreet), KS_FIELD(OtherAddressCity), KS_FIELD(OtherAddressState),
     KS_FIELD(OtherAddressPostalCode), KS_FIELD(OtherAddressCountry)},
};

const TextField kEmails[] = {KS_FIELD(Email1Address), KS_FIELD(Email2Address), KS_FIELD(Email3Address)};

// Single-valued text properties written under one name and read under any of
// the names listed (the written name first).
struct PlainField {
    TextField field;
    const char* names[4];
};
const PlainField kPlain[] = {
    {KS_FIELD(JobTitle), {"TITLE"}},
    {KS_FIELD(WebPage), {"URL"}},
    {KS_FIELD(AssistantName), {"X-ASSISTANT", "X-EVOLUTION-ASSISTANT", "X-MS-ASSISTANT"}},
    {KS_FIELD(OfficeLocation), {"X-OFFICE-LOCATION", "X-EVOLUTION-OFFICE", "X-MS-OFFICE-LOCATION"}},
    {KS_FIELD(YomiFirstName), {"X-PHONETIC-FIRST-NAME"}},
    {KS_FIELD(YomiLastName), {"X-PHONETIC-LAST-NAME"}},
    {KS_FIELD(YomiCompanyName), {"X-PHONETIC-ORG"}},
};

std::vector<std::u16string> Types(const char* list, bool lower)
{
    std::vector<std::u16string> out;
    std::u16string current;
    for (const char* p = list;; ++p) {
        if (*p == ',' || !*p) {
            out.push_back(current);
            current.clear();
            if (!*p) break;
            continue;
        }
        current += static_cast<char16_t>(lower && *p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
    }
    return out;
}

std::u16string DateText(DATE date, bool compact)
{
    const auto d = platform::civil::CivilFromDays(static_cast<std::int64_t>(std::floor(date)) +
                                                  platform::civil::kOleEpochDay);
    char text[16];
    std::snprintf(text, sizeof text, compact ? "%04d%02d%02d" : "%04d-%02d-%02d", static_cast<int>(d.year), d.month,
                  d.day);
    return Utf8ToWide(text);
}

// YYYY-MM-DD or YYYYMMDD, a time after 'T' ignored; false for anything else
// (a date without a year among them).
bool ParseDate(std::u16string_view text, DATE& date)
{
    std::string digits;
    for (char16_t c : text) {
        if (c == u'T' || c == u't') break;
        if (c >= u'0' && c <= u'9') digits += static_cast<char>(c);
        else if (c != u'-') return false;
    }
    if (digits.size() != 8 || text.substr(0, 2) == u"--") return false;
    const int year = std::stoi(digits.substr(0, 4)), month = std::stoi(digits.substr(4, 2)),
              day = std::stoi(digits.substr(6, 2));
    if (month < 1 || month > 12 || day < 1 || day > platform::civil::DaysInMonth(year, month)) return false;
    date = static_cast<DATE>(platform::civil::DaysFromCivil(year, month, day) - platform::civil::kOleEpochDay);
    return true;
}

std::u16string Trim(std::u16string s)
{
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.pop_back();
    size_t b = 0;
    while (b < s.size() && (s[b] == u' ' || s[b] == u'\t')) ++b;
    return s.substr(b);
}

}  // namespace

// ---- Writing ----

std::string PhotoExtension(const std::string& mimeType)
{
    if (mimeType == "image/jpeg") return ".jpg";
    if (mimeType == "image/png") return ".png";
    if (mimeType == "image/gif") return ".gif";
    if (mimeType == "image/bmp") return ".bmp";
    return ".bin";
}

std::string PhotoMimeType(const std::vector<std::uint8_t>& b)
{
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "image/jpeg";
    if (b.size() >= 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return "image/png";
    if (b.size() >= 4 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') return "image/gif";
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return "image/bmp";
    return {};
}

std::string ContactToVCard(IContact* c, std::string_view version, const ContactPhoto* photo)
{
    const bool v4 = version == "4.0";
    platform::VCardWriter w;
    w.Begin(v4 ? "4.0" : "3.0");
    auto typeParam = [&](const char* list) { return std::vector<VCardParam>{{"TYPE", Types(list, v4)}}; };

    const std::u16string title = Get(c, KS_FIELD(Title)), first = Get(c, KS_FIELD(FirstName)),
                         middle = Get(c, KS_FIELD(MiddleName)), last = Get(c, KS_FIELD(LastName)),
                         suffix = Get(c, KS_FIELD(Suffix)), company = Get(c, KS_FIELD(CompanyName)),
                         department = Get(c, KS_FIELD(Department)), fileAs = Get(c, KS_FIELD(FileAs));
    std::u16string formatted;
    for (const std::u16string* part : {&title, &first, &middle, &last, &suffix}) {
        if (part->empty()) continue;
        if (!formatted.empty()) formatted += u' ';
        formatted += *part;
    }
    if (formatted.empty()) formatted = company.empty() ? fileAs : company;
    w.AddStructured("N", {}, {last, first, middle, title, suffix});
    w.AddText("FN", {}, formatted);
    if (!company.empty() || !department.empty()) w.AddStructured("ORG", {}, {company, department});
    if (!fileAs.empty() && fileAs != OutlookContact::ComputedFileAs(first, last, company))
        w.AddText("X-CORVID-FILEAS", {}, fileAs);
    for (const PlainField& plain : kPlain) {
        const std::u16string value = Get(c, plain.field);
        if (!value.empty()) w.AddText(plain.names[0], {}, value);
    }
    for (const PhoneField& phone : kPhones) {
        const std::u16string value = Get(c, phone.field);
        if (!value.empty()) w.AddText("TEL", typeParam(phone.types), value);
    }
    for (const TextField& email : kEmails) {
        const std::u16string value = Get(c, email);
        if (!value.empty()) w.AddText("EMAIL", v4 ? std::vector<VCardParam>{} : typeParam("INTERNET"), value);
    }
    const char* addressTypes[] = {"HOME", "WORK", nullptr};
    for (int a = 0; a < 3; ++a) {
        const AddressField& f = kAddresses[a];
        const std::vector<std::u16string> parts = {
            u"", u"", Get(c, f.street), Get(c, f.city), Get(c, f.state), Get(c, f.code), Get(c, f.country)};
        bool any = false;
        for (const auto& p : parts) any = any || !p.empty();
        if (any) w.AddStructured("ADR", addressTypes[a] ? typeParam(addressTypes[a]) : std::vector<VCardParam>{}, parts);
    }
    DATE birthday = kNoOleDate, anniversary = kNoOleDate;
    c->get_Birthday(&birthday);
    c->get_Anniversary(&anniversary);
    if (birthday != kNoOleDate && birthday > 0) w.Add("BDAY", DateText(birthday, v4));
    if (anniversary != kNoOleDate && anniversary > 0) w.Add(v4 ? "ANNIVERSARY" : "X-ANNIVERSARY", DateText(anniversary, v4));
    const std::u16string spouse = Get(c, KS_FIELD(Spouse)), children = Get(c, KS_FIELD(Children));
    if (v4) {
        if (!spouse.empty()) w.AddText("RELATED", {{"VALUE", {u"text"}}, {"TYPE", {u"spouse"}}}, spouse);
        if (!children.empty()) w.AddText("RELATED", {{"VALUE", {u"text"}}, {"TYPE", {u"child"}}}, children);
    } else {
        if (!spouse.empty()) w.AddText("X-SPOUSE", {}, spouse);
        if (!children.empty()) w.AddText("X-CHILDREN", {}, children);
    }
    const std::u16string categories = Get(c, TextField{&IContact::get_Categories, &IContact::put_Categories});
    if (!categories.empty()) {
        std::u16string list;
        size_t start = 0;
        while (start <= categories.size()) {
            size_t comma = categories.find(u',', start);
            if (comma == std::u16string::npos) comma = categories.size();
            const std::u16string name = Trim(categories.substr(start, comma - start));
            start = comma + 1;
            if (name.empty()) continue;
            if (!list.empty()) list += u',';
            list += platform::EscapeVCardText(name);
        }
        if (!list.empty()) w.Add("CATEGORIES", list);
    }
    const std::u16string body = Get(c, TextField{&IContact::get_Body, &IContact::put_Body});
    if (!body.empty()) w.AddText("NOTE", {}, body);
    if (photo && !photo->bytes.empty()) {
        const std::string data = platform::Base64Encode(photo->bytes);
        if (v4) {
            w.Add("PHOTO", Utf8ToWide("data:" + photo->mimeType + ";base64," + data));
        } else {
            std::string type = photo->mimeType.substr(photo->mimeType.find('/') + 1);
            for (char& ch : type) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            w.Add("PHOTO", {{"ENCODING", {u"b"}}, {"TYPE", {Utf8ToWide(type)}}}, Utf8ToWide(data));
        }
    }
    w.End();
    return w.Take();
}

// ---- Reading ----

namespace {

bool ReadPhoto(const VCardProperty& p, ContactPhoto& photo, std::vector<std::string>& notes)
{
    std::string value = WideToUtf8(p.value);
    std::string mime;
    if (value.rfind("data:", 0) == 0) {
        const size_t comma = value.find(',');
        const std::string head = value.substr(5, comma == std::string::npos ? 0 : comma - 5);
        if (comma == std::string::npos || head.find(";base64") == std::string::npos) {
            notes.push_back("PHOTO: a data URI that is not base64; not imported");
            return false;
        }
        mime = head.substr(0, head.find(';'));
        value = value.substr(comma + 1);
    } else {
        const auto* encoding = p.Param("ENCODING");
        const std::u16string kind = encoding && !encoding->empty() ? encoding->front() : u"";
        const bool base64 = kind == u"b" || kind == u"B" || kind == u"BASE64" || kind == u"base64";
        if (!base64) {
            notes.push_back("PHOTO: a photo by reference (" + value.substr(0, 60) + "); not fetched");
            return false;
        }
    }
    auto bytes = platform::Base64Decode(value);
    if (!bytes || bytes->empty()) {
        notes.push_back("PHOTO: the base64 data is damaged; not imported");
        return false;
    }
    const std::string sniffed = PhotoMimeType(*bytes);
    photo.mimeType = !sniffed.empty() ? sniffed : mime;
    if (photo.mimeType.empty()) {
        notes.push_back("PHOTO: not a JPEG, PNG, GIF or BMP picture; not imported");
        return false;
    }
    photo.bytes = std::move(*bytes);
    return true;
}

// The phone field a TEL's types choose; -1 when all that fit are taken.
int PhoneSlot(const VCardProperty& p, const bool* taken)
{
    auto first = [&](std::initializer_list<int> slots) {
        for (int s : slots)
            if (!taken[s]) return s;
        return -1;
    };
    const bool home = p.HasType(u"HOME"), work = p.HasType(u"WORK");
    if (p.HasType(u"FAX")) return home ? first({kHomeFax}) : first({kWorkFax, kHomeFax});
    if (p.HasType(u"CELL")) return first({kCell});
    if (p.HasType(u"PAGER")) return first({kPager});
    if (p.HasType(u"CAR")) return first({kCar});
    if (p.HasType(u"X-RADIO")) return first({kRadio});
    if (p.HasType(u"X-ASSISTANT")) return first({kAssistant});
    if (work) return first({kWork, kWork2});
    if (home) return first({kHome, kHome2});
    return first({kCell, kHome, kWork, kHome2, kWork2});
}

}  // namespace

bool VCardToContact(const platform::VCard& card, IContact* c, ContactPhoto* photo, std::vector<std::string>& notes)
{
    using platform::SplitVCardValue;
    using platform::UnescapeVCardText;
    bool shows = false;
    bool phoneTaken[std::size(kPhones)] = {};
    int emails = 0;
    bool addressTaken[3] = {};
    bool haveFileAs = false;
    std::u16string formatted;
    for (const VCardProperty& p : card.properties) {
        const std::string& n = p.name;
        if (n == "N") {
            std::vector<std::u16string> parts = SplitVCardValue(p.value, u';');
            parts.resize(5);
            const TextField fields[] = {KS_FIELD(LastName), KS_FIELD(FirstName), KS_FIELD(MiddleName),
                                        KS_FIELD(Title), KS_FIELD(Suffix)};
            const char* names[] = {"N (family name)", "N (given name)", "N (middle name)", "N (prefix)",
                                   "N (suffix)"};
            for (int i = 0; i < 5; ++i) {
                // Lists of names ("A,B") are kept as written, commas and all.
                if (Put(c, fields[i], parts[i], names[i], notes) && i < 2) shows = true;
            }
        } else if (n == "FN") {
            formatted = UnescapeVCardText(p.value);
        } else if (n == "ORG") {
            std::vector<std::u16string> parts = SplitVCardValue(p.value, u';');
            parts.resize(2);
            if (Put(c, KS_FIELD(CompanyName), parts[0], "ORG", notes)) shows = true;
            Put(c, KS_FIELD(Department), parts[1], "ORG (department)", notes);
        } else if (n == "X-CORVID-FILEAS") {
            haveFileAs = Put(c, KS_FIELD(FileAs), UnescapeVCardText(p.value), "X-CORVID-FILEAS", notes);
        } else if (n == "TEL") {
            const std::u16string number = Trim(UnescapeVCardText(p.value));
            if (number.empty()) continue;
            const int slot = PhoneSlot(p, phoneTaken);
            if (slot < 0) {
                notes.push_back("TEL " + WideToUtf8(number) + ": no free telephone field of its kind; not imported");
                continue;
            }
            if (Put(c, kPhones[slot].field, number, "TEL", notes)) {
                phoneTaken[slot] = true;
                shows = true;
            }
        } else if (n == "EMAIL") {
            const std::u16string address = Trim(UnescapeVCardText(p.value));
            if (address.empty()) continue;
            if (emails >= 3) {
                notes.push_back("EMAIL " + WideToUtf8(address) + ": a contact holds three addresses; not imported");
                continue;
            }
            if (Put(c, kEmails[emails], address, "EMAIL", notes)) {
                ++emails;
                shows = true;
            }
        } else if (n == "ADR") {
            const int slot = p.HasType(u"HOME") ? 0 : p.HasType(u"WORK") ? 1 : 2;
            int chosen = -1;
            for (int s : {slot, 2, 0, 1})
                if (chosen < 0 && !addressTaken[s]) chosen = s;
            if (chosen < 0) {
                notes.push_back("ADR: a contact holds three addresses; not imported");
                continue;
            }
            std::vector<std::u16string> parts = SplitVCardValue(p.value, u';');
            parts.resize(7);
            // The post-office box and extended address go in front of the street.
            std::u16string street = parts[2];
            for (int i : {1, 0})
                if (!parts[i].empty()) street = parts[i] + (street.empty() ? u"" : u"\r\n") + street;
            const AddressField& f = kAddresses[chosen];
            bool any = false;
            any |= Put(c, f.street, street, "ADR (street)", notes);
            any |= Put(c, f.city, parts[3], "ADR (city)", notes);
            any |= Put(c, f.state, parts[4], "ADR (region)", notes);
            any |= Put(c, f.code, parts[5], "ADR (postal code)", notes);
            any |= Put(c, f.country, parts[6], "ADR (country)", notes);
            if (any) {
                addressTaken[chosen] = true;
                shows = true;
            }
        } else if (n == "BDAY" || n == "ANNIVERSARY" || n == "X-ANNIVERSARY" || n == "X-MS-ANNIVERSARY" ||
                   n == "X-EVOLUTION-ANNIVERSARY") {
            DATE date = 0;
            if (!ParseDate(Trim(p.value), date) || date < 2 || date > 401768.0) {
                notes.push_back(n + " " + WideToUtf8(p.value.substr(0, 40)) +
                                ": not a full date from 1900 to 2999; not imported");
                continue;
            }
            if (n == "BDAY") c->put_Birthday(date);
            else c->put_Anniversary(date);
        } else if (n == "RELATED") {
            const std::u16string text = UnescapeVCardText(p.value);
            if (p.HasType(u"spouse")) Put(c, KS_FIELD(Spouse), text, "RELATED (spouse)", notes);
            else if (p.HasType(u"child")) Put(c, KS_FIELD(Children), text, "RELATED (child)", notes);
        } else if (n == "X-SPOUSE" || n == "X-EVOLUTION-SPOUSE" || n == "X-MS-SPOUSE") {
            Put(c, KS_FIELD(Spouse), UnescapeVCardText(p.value), n.c_str(), notes);
        } else if (n == "X-CHILDREN" || n == "X-MS-CHILD") {
            Put(c, KS_FIELD(Children), UnescapeVCardText(p.value), n.c_str(), notes);
        } else if (n == "CATEGORIES") {
            std::u16string text;
            for (const std::u16string& name : SplitVCardValue(p.value, u',')) {
                const std::u16string trimmed = Trim(name);
                if (trimmed.empty()) continue;
                if (!text.empty()) text += u", ";
                text += trimmed;
            }
            if (!text.empty()) {
                platform::OwnedBstr owned(text);
                c->put_Categories(owned);
            }
        } else if (n == "NOTE") {
            const std::u16string body = DeviceLines(UnescapeVCardText(p.value));
            platform::OwnedBstr owned(body);
            c->put_Body(owned);
        } else if (n == "PHOTO" || n == "LOGO") {
            if (n == "PHOTO" && photo && photo->bytes.empty()) ReadPhoto(p, *photo, notes);
        } else {
            for (const PlainField& plain : kPlain) {
                for (const char* name : plain.names) {
                    if (name && n == name) Put(c, plain.field, UnescapeVCardText(p.value), name, notes);
                }
            }
        }
    }
    if (!shows && !formatted.empty()) {
        // Only FN: it becomes the file-as name as written.
        shows = haveFileAs || Put(c, KS_FIELD(FileAs), formatted, "FN", notes);
    }
    if (!shows) notes.push_back("the card has no name, company, number, address or e-mail address");
    return shows;
}
