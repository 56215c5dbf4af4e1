// ItemCipher: enciphering an item's texts with a passphrase.
//
// The key is the passphrase's UTF-16 little-endian bytes including the
// two-byte terminator. A text is processed with its terminator, (characters
// + 1) x 2 bytes, in 8-byte Blowfish blocks (electronic code book), the last
// block filled up with zero bytes; the result is read back as UTF-16 code
// units. Nothing of the passphrase is kept beyond the cipher's key schedule,
// which is wiped when the object goes.
//
// The enciphered text goes back into a text field, which ends at its first
// zero code unit. Enciphering therefore refuses a text whose ciphertext
// holds one (the field is left as it was, see Crypt). Deciphering returns the
// code units up to the first zero: the original text with the right
// passphrase, garbage of at most the ciphertext's length with a wrong one.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"

class KSTOOLS_API ItemCipher {
public:
    // An empty or null passphrase gives a cipher without a key (HasKey false),
    // which processes nothing.
    explicit ItemCipher(const WCHAR* passphrase);
    // A raw key of any length from 1 byte; bytes past the 72nd do not count.
    explicit ItemCipher(const std::vector<BYTE>& key);
    ~ItemCipher();
    ItemCipher(const ItemCipher&) = delete;
    ItemCipher& operator=(const ItemCipher&) = delete;

    bool HasKey() const { return m_state != nullptr; }

    // The bytes processed for an input of `bytes` bytes: rounded up to whole
    // 8-byte blocks.
    static size_t GetOutputLength(size_t bytes);

    // Blocks in place; size must be a multiple of 8. False without a key or
    // for another size (nothing is changed then).
    bool EncipherBlocks(BYTE* data, size_t size) const;
    bool DecipherBlocks(BYTE* data, size_t size) const;

    // The text with its terminator enciphered, as code units (no
    // terminator of its own). Empty without a key.
    std::u16string Encipher(std::u16string_view text) const;
    // The text with its terminator deciphered, up to the first zero code
    // unit. Empty without a key.
    std::u16string Decipher(std::u16string_view text) const;

    // Results of Crypt.
    enum CryptResult {
        kCryptNothing = 0,      // empty passphrase or the user cancelled
        kCryptEnciphered = 1,
        kCryptDeciphered = 2,
        kCryptFailed = -1,      // no such appointment, or the save failed
        kCryptNotPossible = -2  // a field's ciphertext holds a zero: nothing was changed
    };
    // Enciphers or deciphers the subject and the location of appointment
    // oid through the object model: asks string resource 40475 (yes
    // enciphers, no deciphers, cancel ends) and saves the appointment.
    // An appointment that cannot be found shows string resource 40421.
    static CryptResult Crypt(const WCHAR* passphrase, long oid);
    // The same on an appointment already in hand, with this cipher's key. A
    // field the item refuses to take leaves it unsaved (kCryptFailed).
    CryptResult CryptItem(IAppointment* item) const;

private:
    void SetKey(const BYTE* key, size_t size);

    struct State;
    std::unique_ptr<State> m_state;
};
