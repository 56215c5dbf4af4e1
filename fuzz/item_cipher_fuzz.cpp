// Enciphered texts and passphrases of any shape. The first input byte gives
// the key's length (1 to 72 bytes, taken from the bytes after it); the rest,
// as 16-bit units cut at the first 0 unit, is the text. Besides running clean
// under the sanitizers: deciphering anything gives at most as many units as
// whole blocks of the input hold, and deciphering an enciphered text gives the
// text back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "items/item_cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t keyLength = std::min<size_t>(1 + data[0] % 72, size - 1);
    if (keyLength == 0) return 0;
    const ItemCipher cipher(std::vector<BYTE>(data + 1, data + 1 + keyLength));
    const uint8_t* rest = data + 1 + keyLength;
    const size_t restSize = size - 1 - keyLength;
    std::u16string text(restSize / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), rest, text.size() * 2);
    text = text.substr(0, text.find(u'\0'));

    const std::u16string garbage = cipher.Decipher(text);
    if (garbage.size() > ItemCipher::GetOutputLength((text.size() + 1) * 2) / 2) std::abort();
    const std::u16string enciphered = cipher.Encipher(text);
    if (enciphered.size() != ItemCipher::GetOutputLength((text.size() + 1) * 2) / 2) std::abort();
    // A zero unit inside the ciphertext would end it in a text field, so only
    // whole ciphertexts are expected to come back.
    if (enciphered.find(u'\0') == std::u16string::npos && cipher.Decipher(enciphered) != text) std::abort();
    return 0;
}
