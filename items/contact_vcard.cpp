#include "items/contact_vcard.h"

#include <cstdio>
#include <cstdlib>

#include "items/c_contact.h"
#include "platform/kernel/handle.h"
#include "platform/base/error_codes.h"
#include "platform/files/durable_file.h"
#include "platform/files/files.h"
#include "platform/objectmodel/contact_vcard.h"
#include "platform/text/utf8.h"
#include "storage/c_outlook.h"
#include "storage/corvid_directory.h"

namespace {

// Pictures larger than this are not put into a card.
constexpr DWORD kMaxPhotoBytes = 4u << 20;

bool ReadPicture(const WCHAR* path, ContactPhoto& photo)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size > 0 && size <= kMaxPhotoBytes;
    if (ok) {
        photo.bytes.resize(size);
        DWORD read = 0;
        ok = ReadFile(file, photo.bytes.data(), size, &read, nullptr) && read == size;
    }
    CloseHandle(file);
    photo.mimeType = ok ? PhotoMimeType(photo.bytes) : std::string();
    return ok && !photo.mimeType.empty();
}

std::string Decimal(long value) { return std::to_string(value); }

}  // namespace

std::string ContactVCard::Write(const std::vector<long>& oids, std::string_view version,
                                std::vector<std::string>* errors)
{
    std::string text;
    for (long oid : oids) {
        CContact contact;
        if (!contact.ReadOID(oid)) {
            if (errors) errors->push_back("no contact has OID " + Decimal(oid));
            continue;
        }
        ContactPhoto photo;
        WCHAR* path = nullptr;
        bool company = false;
        const bool hasPhoto = contact.GetPicture(&path, &company) && !company && ReadPicture(path, photo);
        std::free(path);
        text += ContactToVCard(contact.Item(), version, hasPhoto ? &photo : nullptr);
    }
    return text;
}

ContactImport ContactVCard::Read(std::string_view text)
{
    ContactImport result;
    const platform::VCardReadResult read = platform::ReadVCards(text);
    result.cards = read.cards.size();
    for (const platform::VCardError& error : read.errors)
        result.messages.push_back({error.card, error.line, false, error.message});
    for (size_t i = 0; i < read.cards.size(); ++i) {
        const platform::VCard& card = read.cards[i];
        CContact contact;
        if (!contact.Create()) {
            result.messages.push_back({i, card.firstLine, true, "the object model cannot make a contact"});
            continue;
        }
        ContactPhoto photo;
        std::vector<std::string> notes;
        const bool usable = VCardToContact(card, contact.Item(), &photo, notes);
        for (const std::string& note : notes) result.messages.push_back({i, card.firstLine, !usable, note});
        if (!usable) continue;
        const HRESULT saved = contact.Item()->Save();
        LONG oid = 0;
        if (FAILED(saved) || FAILED(contact.Item()->get_Oid(&oid)) || !oid) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(saved));
            result.messages.push_back({i, card.firstLine, true, std::string("the contact could not be saved (") + code + ")"});
            continue;
        }
        result.oids.push_back(oid);
        if (photo.bytes.empty()) continue;
        contact.ReadOID(oid);
        const std::u16string fileAs = contact.Text(CContact::kFileAs);
        if (fileAs.empty() || fileAs.find_first_of(u"\\/:*?\"<>|") != std::u16string::npos) {
            result.messages.push_back({i, card.firstLine, false, "PHOTO: the file-as name cannot name a file; not kept"});
            continue;
        }
        const std::u16string folder = CContact::PictureFolder(true);
        const std::u16string path = folder + u"\\" + fileAs + Utf8ToWide(PhotoExtension(photo.mimeType));
        if (platform::ReplaceFileContents(path.c_str(), photo.bytes.data(), photo.bytes.size()) != ERROR_SUCCESS)
            result.messages.push_back({i, card.firstLine, false, "PHOTO: the picture file could not be written"});
    }
    return result;
}
