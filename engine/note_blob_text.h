// The text of an item's stored note, for searching it. A note blob is an
// ink page (it begins "{\pwi", read through platform/ink), rich text (it
// begins "{\rtf") or plain single-byte text in the ANSI code page.
#pragma once

#include <cstddef>
#include <string>

#include "platform/base/types.h"

inline constexpr DWORD kNoteBlobText = 1;
inline constexpr DWORD kNoteBlobRichText = 2;
inline constexpr DWORD kNoteBlobInk = 0x10802;

// The format of size bytes at data: ink only when longer than 6 bytes.
DWORD GetBlobFormat(const BYTE* data, size_t size);


// The note's text into out (capacity characters, always terminated; longer
// text is cut). Single-byte text drops its last byte, which the store keeps
// as the terminator. Ink that does not parse gives "". The number of
// characters written.
size_t NoteBlobText(const BYTE* data, size_t size, WCHAR* out, size_t capacity);
