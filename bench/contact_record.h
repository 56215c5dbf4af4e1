// The contact-shaped record both object-store benchmarks write: the file-as
// name first (the sort key), ten more strings, a date, two numbers and a
// category blob, 15 properties in all.
#pragma once

#include <string>
#include <vector>

#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"

namespace benchpeer {

constexpr WORD kContactProps = 15;

// Record i's file-as name; names repeat every `names` records.
inline std::u16string ContactName(int i, int names)
{
    static const char16_t* const first[] = {u"Anna", u"Björn", u"Carla", u"Dmitri", u"Émile", u"Fiona", u"Gus"};
    return std::u16string(first[i % 7]) + u" " + Utf8ToWide(std::to_string((i * 7919) % names));
}

// Record i's properties, pointing into texts (kept by the caller) and blob.
inline std::vector<CEPROPVAL> ContactProps(int i, int names, std::vector<std::u16string>& texts, BYTE* blob,
                                           size_t blobSize)
{
    texts.assign(11, std::u16string());
    texts[0] = ContactName(i, names);
    for (int s = 1; s < 11; ++s) texts[s] = u"value " + Utf8ToWide(std::to_string(i * s));
    std::vector<CEPROPVAL> p(kContactProps);
    for (int s = 0; s < 11; ++s) {
        p[s].propid = s == 0 ? kContactFileAs : MAKEPROPID(0x3A00 + s, CEVT_LPWSTR);
        p[s].val.lpwstr = texts[s].data();
    }
    p[11].propid = kContactBirthday;
    p[11].val.filetime = {static_cast<DWORD>(i), 0x01D00000};
    p[12].propid = kContactPreferredNumber;
    p[12].val.lVal = i;
    p[13].propid = MAKEPROPID(0x0051, CEVT_UI2);
    p[13].val.uiVal = static_cast<USHORT>(i);
    p[14].propid = kItemCategories;
    p[14].val.blob = {static_cast<DWORD>(blobSize), blob};
    return p;
}

}  // namespace benchpeer
