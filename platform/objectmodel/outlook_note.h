// An item's note: the blob kItemNote and the object model's Body (text)
// and BodyInk (the stored bytes).
//
// A note typed as text is stored with a terminating 0 byte: as single-byte
// text in the ANSI code page when the code page holds every character (the
// form older readers know), else as UTF-8 after the UTF-8 byte-order mark
// EF BB BF, so no character is lost. Both begin with a byte other than 0, as
// the loaders' test for a note wants. Notes beginning "{\pwi" (ink) or
// "{\rtf" (rich text) are kept byte for byte through BodyInk; Body reads
// them as empty text. An empty note is no property at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/bstr.h"

// The object model's names of the item properties every kind shares.
constexpr CEPROPID kOutlookNoteProperty = kItemNote;
constexpr CEPROPID kOutlookCategoriesProperty = kItemCategories;

class OutlookNote {
public:
    // The stored bytes for a text; empty for an empty text.
    static std::vector<BYTE> BlobFromText(std::u16string_view text);
    // The text of stored bytes (up to their first 0 byte), in either form;
    // marked bytes that are not UTF-8 are read as single-byte text. Empty for
    // ink and rich-text notes.
    static std::u16string TextFromBlob(const std::vector<BYTE>& blob);
    // BodyInk's BSTR (byte length = blob size) and back; null gives no bytes.
    static BSTR BstrFromBlob(const std::vector<BYTE>& blob);
    static std::vector<BYTE> BlobFromBstr(BSTR bytes);
    // True for "{\pwi" and "{\rtf" notes.
    static bool IsFormatted(const std::vector<BYTE>& blob);
};
