// The records ks_cedb_writer writes, so tests can tell a stored record is exactly the one written.
#pragma once

#include <string>
#include <vector>

#include "platform/objectstore/cedb.h"
#include "platform/text/utf8.h"

namespace cedb_writer {

constexpr CEPROPID kNumberProp = MAKEPROPID(1, CEVT_I4);
constexpr CEPROPID kTextProp = MAKEPROPID(2, CEVT_LPWSTR);
constexpr CEPROPID kBytesProp = MAKEPROPID(3, CEVT_BLOB);

inline std::u16string RecordText(long n)
{
    return u"record " + Utf8ToWide(std::to_string(n)) + std::u16string(static_cast<size_t>(n % 37), u'\u00e9');
}

inline std::vector<BYTE> RecordBytes(long n)
{
    std::vector<BYTE> bytes(static_cast<size_t>(n % 300) + 1);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(n * 31 + static_cast<long>(i));
    return bytes;
}

// The three properties of record n, with their storage.
struct RecordValues {
    explicit RecordValues(long n) : text(RecordText(n)), bytes(RecordBytes(n))
    {
        props[0].propid = kNumberProp;
        props[0].val.lVal = static_cast<LONG>(n);
        props[1].propid = kTextProp;
        props[1].val.lpwstr = text.data();
        props[2].propid = kBytesProp;
        props[2].val.blob.dwCount = static_cast<DWORD>(bytes.size());
        props[2].val.blob.lpb = bytes.data();
    }
    std::u16string text;
    std::vector<BYTE> bytes;
    CEPROPVAL props[3]{};
};

}  // namespace cedb_writer
