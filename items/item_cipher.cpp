#include "items/item_cipher.h"

#include <nettle/blowfish.h>

#include <cstring>

#include "foundation/ce_string.h"
#include "items/item_bstr.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"

namespace {

constexpr UINT kAppointmentMissingString = 40421;
constexpr UINT kCryptQuestionString = 40475;
constexpr UINT kCryptZeroString = 40476;
constexpr size_t kBlock = BLOWFISH_BLOCK_SIZE;

// UTF-16 little-endian bytes of the text (with its terminator when asked),
// zero-filled to whole blocks. Ciphertext is taken without one: it already
// fills whole blocks, and a terminator would add a block of zeros.
std::vector<BYTE> BlockBytes(std::u16string_view text, bool terminator)
{
    std::vector<BYTE> bytes(ItemCipher::GetOutputLength((text.size() + (terminator ? 1 : 0)) * 2), 0);
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<BYTE>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
    }
    return bytes;
}

std::u16string CodeUnits(const std::vector<BYTE>& bytes, bool stopAtZero)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (stopAtZero && unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

void ShowError(UINT id)
{
    CeString text;
    text.LoadStringW(id);
    MessageBoxW(nullptr, text, nullptr, MB_OK | MB_ICONERROR);
}

}  // namespace

struct ItemCipher::State {
    blowfish_ctx context{};
    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        // The key schedule stands for the passphrase: leave none of it behind.
        volatile BYTE* bytes = reinterpret_cast<volatile BYTE*>(&context);
        for (size_t i = 0; i < sizeof context; ++i) bytes[i] = 0;
    }
};

ItemCipher::ItemCipher(const WCHAR* passphrase)
{
    if (!passphrase || !*passphrase) return;
    const std::u16string_view text(passphrase);
    std::vector<BYTE> key;
    key.reserve((text.size() + 1) * 2);
    for (char16_t unit : text) {
        key.push_back(static_cast<BYTE>(unit & 0xFF));
        key.push_back(static_cast<BYTE>(unit >> 8));
    }
    key.push_back(0);
    key.push_back(0);
    SetKey(key.data(), key.size());
    std::memset(key.data(), 0, key.size());
}

ItemCipher::ItemCipher(const std::vector<BYTE>& key) { SetKey(key.data(), key.size()); }

ItemCipher::~ItemCipher() = default;

void ItemCipher::SetKey(const BYTE* key, size_t size)
{
    if (size == 0) return;
    m_state = std::make_unique<State>();
    // Nettle reports keys with weak S-boxes but sets them up all the same;
    // such a key works as any other here.
    blowfish_set_key(&m_state->context, size, key);
}

size_t ItemCipher::GetOutputLength(size_t bytes) { return (bytes + kBlock - 1) / kBlock * kBlock; }

bool ItemCipher::EncipherBlocks(BYTE* data, size_t size) const
{
    if (!m_state || size % kBlock != 0 || (size && !data)) return false;
    blowfish_encrypt(&m_state->context, size, data, data);
    return true;
}

bool ItemCipher::DecipherBlocks(BYTE* data, size_t size) const
{
    if (!m_state || size % kBlock != 0 || (size && !data)) return false;
    blowfish_decrypt(&m_state->context, size, data, data);
    return true;
}

std::u16string ItemCipher::Encipher(std::u16string_view text) const
{
    if (!m_state) return {};
    std::vector<BYTE> bytes = BlockBytes(text, true);
    EncipherBlocks(bytes.data(), bytes.size());
    return CodeUnits(bytes, false);
}

std::u16string ItemCipher::Decipher(std::u16string_view text) const
{
    if (!m_state) return {};
    std::vector<BYTE> bytes = BlockBytes(text, false);
    DecipherBlocks(bytes.data(), bytes.size());
    return CodeUnits(bytes, true);
}

ItemCipher::CryptResult ItemCipher::Crypt(const WCHAR* passphrase, long oid)
{
    const ItemCipher cipher(passphrase);
    if (!cipher.HasKey()) return kCryptNothing;

    platform::ComRef<IDispatch> found;
    platform::ComRef<IAppointment> item;
    if (oid != 0 && SUCCEEDED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put())))
        item = platform::ComRef<IAppointment>::Query(found.Get());
    if (!item) {
        ShowError(kAppointmentMissingString);
        return kCryptFailed;
    }
    return cipher.CryptItem(item.Get());
}

ItemCipher::CryptResult ItemCipher::CryptItem(IAppointment* item) const
{
    if (!m_state) return kCryptNothing;
    if (!item) {
        ShowError(kAppointmentMissingString);
        return kCryptFailed;
    }
    CeString question;
    question.LoadStringW(kCryptQuestionString);
    const int answer = MessageBoxW(nullptr, question, nullptr, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES && answer != IDNO) return kCryptNothing;
    const bool encipher = answer == IDYES;

    // Both fields are worked out before either is written, so that a field
    // that cannot be enciphered leaves the appointment untouched.
    const std::u16string subject = item_text::Get(item, &IAppointment::get_Subject);
    const std::u16string location = item_text::Get(item, &IAppointment::get_Location);
    const auto process = [&](const std::u16string& text) { return encipher ? Encipher(text) : Decipher(text); };
    const std::u16string newSubject = subject.empty() ? subject : process(subject);
    const std::u16string newLocation = location.empty() ? location : process(location);
    if (encipher && (newSubject.find(u'\0') != std::u16string::npos ||
                     newLocation.find(u'\0') != std::u16string::npos)) {
        ShowError(kCryptZeroString);
        return kCryptNotPossible;
    }
    // A field that refuses its new text must not be saved half-processed:
    // the other field is put back and nothing is saved.
    HRESULT hr = S_OK;
    if (!subject.empty()) hr = item_text::Put(item, &IAppointment::put_Subject, newSubject);
    if (SUCCEEDED(hr) && !location.empty()) {
        hr = item_text::Put(item, &IAppointment::put_Location, newLocation);
        if (FAILED(hr) && !subject.empty()) item_text::Put(item, &IAppointment::put_Subject, subject);
    }
    if (SUCCEEDED(hr)) hr = item->Save();
    if (FAILED(hr)) {
        COutlook::DisplayPIMSaveError(hr);
        return kCryptFailed;
    }
    return encipher ? kCryptEnciphered : kCryptDeciphered;
}
