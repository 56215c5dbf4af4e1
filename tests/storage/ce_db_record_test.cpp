// CeDbRecord on engine-shaped buffers. Sections: Values; Strings and blobs; Entries; Text forms.
#include "storage/ce_db_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/local_block.h"
#include "platform/base/local_memory.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"
#include "tests/support/locale_pin.h"

namespace {

// One property of each value type (UI2 and BOOL have no stored property of their own).
constexpr CEPROPID kSubject = kAppointmentSubject;
constexpr CEPROPID kLocation = kAppointmentLocation;
constexpr CEPROPID kNote = kItemNote;
constexpr CEPROPID kCategories = kItemCategories;
constexpr CEPROPID kSensitivity = kAppointmentSensitivity;
constexpr CEPROPID kDuration = kAppointmentDuration;
constexpr CEPROPID kPercent = kTaskPercentComplete;
constexpr CEPROPID kFlags = MAKEPROPID(PropIdNumber(kTaskRecurring), CEVT_UI2);
constexpr CEPROPID kOrder = kTaskParent;
constexpr CEPROPID kAllDay = MAKEPROPID(PropIdNumber(kAppointmentAllDay), CEVT_BOOL);
constexpr CEPROPID kStart = kAppointmentStart;

using Bytes = std::vector<BYTE>;

CEVALUNION Long(LONG v)
{
    CEVALUNION u{};
    u.lVal = v;
    return u;
}
CEVALUNION Number(double v)
{
    CEVALUNION u{};
    u.dblVal = v;
    return u;
}
CEVALUNION FileTime(ULONGLONG v)
{
    CEVALUNION u{};
    u.filetime = FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
    return u;
}

// One LocalAlloc block: the entries, then every string and (even-padded) blob, as the engine reads.
class EngineBuffer {
public:
    EngineBuffer& Text(CEPROPID id, std::u16string text) { return Add(id, 0, {}, std::move(text), {}); }
    EngineBuffer& Blob(CEPROPID id, Bytes bytes) { return Add(id, 0, {}, {}, std::move(bytes)); }
    EngineBuffer& Value(CEPROPID id, CEVALUNION value) { return Add(id, 0, value, {}, {}); }
    EngineBuffer& Missing(CEPROPID id) { return Add(id, CEDB_PROPNOTFOUND, {}, {}, {}); }

    // Hands the block to the record, as CeDb's reads do; returns its size.
    DWORD AttachTo(CeDbRecord& record) const
    {
        size_t size = entries_.size() * sizeof(CEPROPVAL);
        for (const Entry& e : entries_)
            size += e.flags ? 0 : IsText(e) ? (e.text.size() + 1) * 2 : e.blob.size() + (e.blob.size() & 1);
        auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, size));
        auto* props = reinterpret_cast<CEPROPVAL*>(block);
        BYTE* data = block + entries_.size() * sizeof(CEPROPVAL);
        for (size_t i = 0; i < entries_.size(); ++i) {
            const Entry& e = entries_[i];
            props[i] = CEPROPVAL{e.id, 0, e.flags, e.value};
            if (e.flags) continue;
            if (IsText(e)) {
                std::memcpy(data, e.text.c_str(), (e.text.size() + 1) * 2);
                props[i].val.lpwstr = reinterpret_cast<WCHAR*>(data);
                data += (e.text.size() + 1) * 2;
            } else if (TypeFromPropID(e.id) == CEVT_BLOB) {
                if (!e.blob.empty()) std::memcpy(data, e.blob.data(), e.blob.size());
                props[i].val.blob = CEBLOB{static_cast<DWORD>(e.blob.size()), data};
                data += e.blob.size() + (e.blob.size() & 1);
            }
        }
        record.Attach(0x1234, static_cast<WORD>(entries_.size()), static_cast<DWORD>(size), props, nullptr);
        return static_cast<DWORD>(size);
    }

private:
    struct Entry {
        CEPROPID id;
        WORD flags;
        CEVALUNION value;
        std::u16string text;
        Bytes blob;
    };
    static bool IsText(const Entry& e) { return TypeFromPropID(e.id) == CEVT_LPWSTR; }
    EngineBuffer& Add(CEPROPID id, WORD flags, CEVALUNION value, std::u16string text, Bytes blob)
    {
        entries_.push_back(Entry{id, flags, value, std::move(text), std::move(blob)});
        return *this;
    }
    std::vector<Entry> entries_;
};

// An entry's value through the text getter, "<absent>" when it fails.
std::string TextOf(const CeDbRecord& record, CEPROPID id)
{
    CeString text;
    if (!record.GetIndexVal(record.FindProp(id), text)) return "<absent>";
    return WideToUtf8(static_cast<const WCHAR*>(text));
}

// A blob entry's bytes through the copying getter.
Bytes BlobOf(const CeDbRecord& record, CEPROPID id)
{
    CEBLOB blob{};
    if (!record.GetIndexVal(record.FindProp(id), blob)) return {};
    const platform::LocalBlock copy(blob.lpb);
    return Bytes(blob.lpb, blob.lpb + blob.dwCount);
}

// True when every string and blob of the record points into its buffer.
bool PointersInsideBuffer(const CeDbRecord& record)
{
    auto* begin = reinterpret_cast<const BYTE*>(record.GetProps());
    for (int i = 0; i < record.GetCount(); ++i) {
        const CEPROPVAL& p = record.GetProps()[i];
        WORD type = TypeFromPropID(p.propid);
        auto* data = type == CEVT_LPWSTR ? reinterpret_cast<const BYTE*>(p.val.lpwstr)
                     : type == CEVT_BLOB ? p.val.blob.lpb
                                         : nullptr;
        if (data && (data < begin || data >= begin + record.GetSize())) return false;
    }
    return true;
}

// ---- Values ---------------------------------------------------------------

TEST(CeDbRecordValues, GettersRefuseMissingEntriesAndSettersCheckTypesAndWidths)
{
    CeDbRecord record;
    EngineBuffer().Missing(kSubject).Missing(kNote).Missing(kDuration).Missing(kStart).AttachTo(record);
    for (int i : {-1, 0, 1, 2, 3, 4}) {
        SCOPED_TRACE(i);
        SHORT s;
        USHORT us;
        LONG l;
        ULONG ul;
        double d;
        bool b;
        FILETIME ft;
        CEBLOB blob{7, nullptr}, viaPointer{7, nullptr};
        WCHAR buffer[8] = u"xyz";
        WCHAR* text = buffer;
        CeString str(u"old");
        EXPECT_FALSE(record.GetIndexVal(i, s) || record.GetIndexVal(i, us) || record.GetIndexVal(i, l) ||
                     record.GetIndexVal(i, ul) || record.GetIndexVal(i, d) || record.GetIndexVal(i, b) ||
                     record.GetIndexVal(i, ft));
        EXPECT_FALSE(record.GetIndexVal(i, blob));
        EXPECT_FALSE(record.GetIndexVal(i, &viaPointer));
        EXPECT_FALSE(record.GetIndexVal(i, text));
        EXPECT_FALSE(record.GetIndexVal(i, str));
        EXPECT_TRUE(blob.dwCount == 0 && !blob.lpb && viaPointer.dwCount == 0);
        EXPECT_EQ(buffer[0], 0);
        EXPECT_TRUE(str.IsEmpty());
    }
    EXPECT_TRUE(record.SetIdVal(0x4213, LONG{-90}, CEVT_I4));
    EXPECT_TRUE(record.SetIdVal(0x0037, static_cast<const WCHAR*>(u"Lunch"), CEVT_LPWSTR));
    EXPECT_EQ(TextOf(record, kDuration), "-90");
    EXPECT_EQ(TextOf(record, kSubject), "Lunch");
    EXPECT_FALSE(record.SetIdVal(0x4213, SHORT{1}, CEVT_I2)) << "same number, other type";
    EXPECT_FALSE(record.SetIndexVal(4, LONG{1}));
    // Numbers of each width; setters check types.
    CeDbRecord numbers;
    EngineBuffer()
        .Value(kSensitivity, Long(-1))  // every bit set: a 16-bit write must clear the rest
        .Value(kFlags, {})
        .Value(kPercent, {})
        .Value(kOrder, {})
        .Value(kAllDay, Long(0x100))
        .Value(kStart, {})
        .Text(kSubject, u"keep")
        .Blob(kNote, {9, 8})
        .AttachTo(numbers);
    bool b = false;
    EXPECT_TRUE(numbers.GetIndexVal(4, b) && b) << "any non-zero value is true";

    EXPECT_TRUE(numbers.SetIdVal(0x0004, SHORT{-2}, CEVT_I2));
    EXPECT_TRUE(numbers.SetIdVal(0x4126, USHORT{65535}, CEVT_UI2));
    EXPECT_TRUE(numbers.SetIdVal(0x2A11, ULONG{4294967295u}, CEVT_UI4));
    EXPECT_TRUE(numbers.SetIdVal(0x2A09, 1234.5, CEVT_R8));
    EXPECT_TRUE(numbers.SetIdVal(0x4215, false, CEVT_BOOL));
    EXPECT_TRUE(numbers.SetIdVal(0x420D, FILETIME{0x89ABCDEFu, 0x01234567u}, CEVT_FILETIME));
    EXPECT_EQ(numbers.GetProps()[0].val.lVal, 0x0000FFFE);
    SHORT s = 0;
    ULONG ul = 0;
    double d = 0;
    FILETIME ft{};
    EXPECT_TRUE(numbers.GetIndexVal(0, s) && s == -2);
    EXPECT_TRUE(numbers.GetIndexVal(2, ul) && ul == 4294967295u);
    EXPECT_TRUE(numbers.GetIndexVal(3, d) && d == 1234.5);
    EXPECT_TRUE(numbers.GetIndexVal(4, b) && !b);
    EXPECT_TRUE(numbers.GetIndexVal(5, ft) && ft.dwLowDateTime == 0x89ABCDEFu && ft.dwHighDateTime == 0x01234567u);
    EXPECT_EQ(TextOf(numbers, kFlags), "65535");

    // Numbers never overwrite the pointers of strings and blobs, nor the other way round.
    BYTE one[] = {1};
    EXPECT_FALSE(numbers.SetIndexVal(6, LONG{0}) || numbers.SetIndexVal(7, 0.0) || numbers.SetIndexVal(7, FILETIME{}));
    EXPECT_FALSE(numbers.SetIndexVal(0, u"text") || numbers.SetIndexVal(0, CEBLOB{1, one}));
    EXPECT_EQ(TextOf(numbers, kSubject), "keep");
    EXPECT_EQ(BlobOf(numbers, kNote), (Bytes{9, 8}));
}

// ---- Strings and blobs ----------------------------------------------------

TEST(CeDbRecordStrings, ALongerStringRebuildsTheBufferAndShorterOnesAreCopiedInPlace)
{
    CeDbRecord record;
    EngineBuffer()
        .Text(kSubject, u"Call")
        .Blob(kNote, {1, 2, 3})
        .Text(kLocation, u"Office")
        .Value(kDuration, Long(45))
        .Blob(kCategories, {0xFF, 0, 0x80, 0x7F})
        .Missing(kOrder)
        .AttachTo(record);
    const CEPROPVAL* before = record.GetProps();
    DWORD sizeBefore = record.GetSize();
    const std::u16string longer = u"Call the garage about the winter tyres";
    ASSERT_TRUE(record.SetIndexVal(0, longer.c_str()));

    EXPECT_NE(record.GetProps(), before);
    EXPECT_FALSE(record.IsPlatformBuffer());
    EXPECT_EQ(record.GetSize(), sizeBefore + 2 * (longer.size() - 4));
    EXPECT_TRUE(PointersInsideBuffer(record));
    EXPECT_EQ(record.GetOid(), 0x1234u);
    EXPECT_EQ(TextOf(record, kSubject), WideToUtf8(longer));
    EXPECT_EQ(TextOf(record, kLocation), "Office");
    EXPECT_EQ(TextOf(record, kDuration), "45");
    EXPECT_EQ(BlobOf(record, kNote), (Bytes{1, 2, 3}));
    EXPECT_EQ(BlobOf(record, kCategories), (Bytes{0xFF, 0, 0x80, 0x7F}));
    EXPECT_EQ(record.GetProps()[5].wFlags, CEDB_PROPNOTFOUND);
    CeDbRecord shorter;
    EngineBuffer().Text(kSubject, u"Meeting").Text(kLocation, u"Room 4").AttachTo(shorter);
    const CEPROPVAL* shorterBefore = shorter.GetProps();
    const WCHAR* where = shorterBefore[0].val.lpwstr;
    ASSERT_TRUE(shorter.SetIndexVal(0, u"Meet"));
    ASSERT_TRUE(shorter.SetIndexVal(1, static_cast<const WCHAR*>(nullptr)));
    EXPECT_EQ(shorter.GetProps(), shorterBefore);
    EXPECT_TRUE(shorter.IsPlatformBuffer());
    EXPECT_EQ(shorter.GetProps()[0].val.lpwstr, where);
    WCHAR buffer[16] = u"junk";
    WCHAR* out = buffer;
    EXPECT_TRUE(shorter.GetIndexVal(0, out));
    EXPECT_EQ(std::u16string(buffer), u"Meet");
    EXPECT_TRUE(shorter.GetIndexVal(1, out));
    EXPECT_EQ(buffer[0], 0);
}

TEST(CeDbRecordBlobs, CopiesAreRoundedToEvenAndLargerBlobsGetABlockOfTheirOwn)
{
    CeDbRecord record;
    EngineBuffer().Blob(kNote, {0xAA, 0xBB, 0xCC}).Blob(kCategories, {}).AttachTo(record);
    CEBLOB odd{}, empty{};
    ASSERT_TRUE(record.GetIndexVal(0, &odd));
    const platform::LocalBlock oddCopy(odd.lpb);
    ASSERT_TRUE(record.GetIndexVal(1, empty));
    const platform::LocalBlock emptyCopy(empty.lpb);
    EXPECT_EQ(odd.dwCount, 3u);
    EXPECT_EQ(LocalSize(odd.lpb), 4u);
    EXPECT_EQ(Bytes(odd.lpb, odd.lpb + 4), (Bytes{0xAA, 0xBB, 0xCC, 0}));
    EXPECT_NE(odd.lpb, record.GetProps()[0].val.blob.lpb);
    EXPECT_EQ(empty.dwCount, 0u);
    EXPECT_EQ(LocalSize(empty.lpb), 2u);
    // Larger blobs get a block of their own until the buffer is rebuilt.
    CeDbRecord large;
    EngineBuffer().Blob(kNote, {1, 2, 3, 4}).Text(kSubject, u"s").AttachTo(large);
    const CEPROPVAL* buffer = large.GetProps();
    BYTE* room = buffer[0].val.blob.lpb;
    BYTE two[] = {7, 8};
    ASSERT_TRUE(large.SetIndexVal(0, CEBLOB{2, two}));
    EXPECT_EQ(large.GetProps()[0].val.blob.lpb, room) << "fits in its room";

    Bytes big(300, 0x42);
    ASSERT_TRUE(large.SetIndexVal(0, CEBLOB{300, big.data()}));
    EXPECT_EQ(large.GetProps(), buffer) << "the buffer itself stays";
    BYTE* own = large.GetProps()[0].val.blob.lpb;
    EXPECT_EQ(LocalSize(own), 300u);
    ASSERT_TRUE(large.SetIndexVal(0, CEBLOB{2, two}));
    EXPECT_EQ(large.GetProps()[0].val.blob.lpb, own) << "the own block is reused while large enough";
    Bytes bigger(301, 0x43);
    ASSERT_TRUE(large.SetIndexVal(0, CEBLOB{301, bigger.data()}));
    EXPECT_EQ(BlobOf(large, kNote), bigger);

    // A rebuild packs the own block behind the entries.
    ASSERT_TRUE(large.SetIndexVal(1, u"a much longer subject than before"));
    EXPECT_TRUE(PointersInsideBuffer(large));
    EXPECT_EQ(BlobOf(large, kNote), bigger);
    EXPECT_FALSE(large.SetIndexVal(0, CEBLOB{4, nullptr}));
    // Beyond the own-block flags a larger blob rebuilds the buffer.
    for (WORD id = 1; id <= kCeDbRecordMaxOwnBlobs; ++id) ASSERT_TRUE(large.AddProp(id, CEVT_BLOB));
    ASSERT_TRUE(large.SetIndexVal(large.GetCount() - 1, CEBLOB{300, big.data()}));
    EXPECT_EQ(BlobOf(large, MAKEPROPID(kCeDbRecordMaxOwnBlobs, CEVT_BLOB)), big);
    EXPECT_EQ(BlobOf(large, kNote), bigger);
}

// ---- Entries --------------------------------------------------------------

TEST(CeDbRecordProps, AddingRemovingAndCopyingEntriesAndADamagedBuffer)
{
    CeDbRecord record;
    EngineBuffer().Text(kSubject, u"first").Missing(kDuration).Blob(kNote, {5, 6, 7}).AttachTo(record);
    const CEPROPVAL* before = record.GetProps();
    DWORD size = record.GetSize();
    EXPECT_TRUE(record.AddProp(PropIdNumber(kSubject), TypeFromPropID(kSubject)));
    EXPECT_TRUE(record.AddProp(PropIdNumber(kDuration), TypeFromPropID(kDuration)))
        << "present, though marked not found";
    EXPECT_TRUE(record.GetProps() == before && record.GetCount() == 3 && record.GetSize() == size);
    EXPECT_EQ(record.GetProps()[1].wFlags, CEDB_PROPNOTFOUND);

    const CEPROPID shortDuration = MAKEPROPID(PropIdNumber(kDuration), CEVT_I2);
    ASSERT_TRUE(record.AddProp(PropIdNumber(kDuration), CEVT_I2)) << "same number, other type: another property";
    ASSERT_EQ(record.GetCount(), 4);
    EXPECT_EQ(record.GetProps()[3].propid, shortDuration);
    EXPECT_EQ(TextOf(record, shortDuration), "0");
    EXPECT_EQ(TextOf(record, kSubject), "first");
    EXPECT_EQ(BlobOf(record, kNote), (Bytes{5, 6, 7}));
    // A hint is taken only where the entry is: else, or outside, the search.
    for (int hint : {-1, 0, 1, 2, 3, 4}) {
        EXPECT_EQ(record.FindProp(kNote, hint), 2) << hint;
        EXPECT_EQ(record.FindProp(kStart, hint), -1) << hint;
    }
    // A damaged buffer is not read past its end.
    CeDbRecord damaged;
    DWORD damagedSize = EngineBuffer().Value(kDuration, Long(1)).Text(kSubject, u"abcd").AttachTo(damaged);
    reinterpret_cast<WCHAR*>(reinterpret_cast<BYTE*>(damaged.GetProps()) + damagedSize)[-1] = u'!';
    ASSERT_TRUE(damaged.AddProp(1, CEVT_I4));
    EXPECT_EQ(TextOf(damaged, kSubject), "abcd!");
    CeDbRecord fresh;
    const CEPROPID ids[] = {kSubject, kStart, kNote, kSubject};
    EXPECT_TRUE(fresh.AddProps(ids, 4));
    ASSERT_EQ(fresh.GetCount(), 3) << "the repeated identifier is added once";
    EXPECT_EQ(TextOf(fresh, kSubject), "");
    EXPECT_TRUE(fresh.RemProp(PropIdNumber(kNote), TypeFromPropID(kNote)));
    EXPECT_FALSE(fresh.RemProp(PropIdNumber(kNote), CEVT_I4));
    EXPECT_EQ(fresh.GetProps()[2].wFlags, CEDB_PROPDELETE);
    ASSERT_TRUE(fresh.SetIndexVal(0, u"Original"));

    CeDbRecord copy;
    ASSERT_TRUE(copy.DupProps(fresh.GetProps(), fresh.GetCount(), 4096));
    EXPECT_EQ(copy.GetSize(), 4096u);
    ASSERT_TRUE(fresh.SetIndexVal(0, u"Changed"));
    EXPECT_EQ(TextOf(copy, kSubject), "Original") << "an independent copy";
    EXPECT_EQ(copy.GetProps()[2].wFlags, CEDB_PROPDELETE);
    ASSERT_TRUE(copy.DupProps(fresh.GetProps(), 1, 8)) << "too small a size grows to what is needed";
    EXPECT_EQ(TextOf(copy, kSubject), "Changed");
    ASSERT_TRUE(copy.DupProps(copy.GetProps(), 1, 0)) << "its own buffer";
    EXPECT_EQ(TextOf(copy, kSubject), "Changed");
    EXPECT_FALSE(copy.DupProps(nullptr, 3, 0));
}

// ---- Text forms -----------------------------------------------------------

// The text form of one value.
std::string Text(CEPROPID id, CEVALUNION value)
{
    CEPROPVAL p{id, 0, 0, value};
    CeString text(u"unchanged");
    bool ok = CeDbRecord::PropertyText(p, text);
    return (ok ? "" : "<false>") + WideToUtf8(static_cast<const WCHAR*>(text));
}

TEST(CeDbRecordText, NumbersBooleansStringsBlobsAndFileTimes)
{
    EXPECT_EQ(Text(kSensitivity, Long(-1)), "-1");
    EXPECT_EQ(Text(kFlags, Long(-1)), "65535");
    EXPECT_EQ(Text(kDuration, Long(-2)), "-2");  // the number forms are CeString's
    EXPECT_EQ(Text(kPercent, Long(-1)), "4294967295");
    EXPECT_EQ(Text(kOrder, Number(12.5)), "12.500");
    EXPECT_EQ(Text(kAllDay, Long(2)), "true");
    EXPECT_EQ(Text(kAllDay, Long(0)), "false");
    CEVALUNION u{};
    WCHAR hello[] = u"Grüße";
    u.lpwstr = hello;
    EXPECT_EQ(Text(kSubject, u), "Grüße");
    EXPECT_EQ(Text(kSubject, {}), "");
    BYTE bytes[] = {0x00, 0x0A, 0xFF, 0x7B};
    u.blob = CEBLOB{4, bytes};
    EXPECT_EQ(Text(kNote, u), "00 0A FF 7B ");
    EXPECT_EQ(Text(MAKEPROPID(1, 7), Long(1)), "<false>unchanged");
    EXPECT_EQ(WideToUtf8(static_cast<const WCHAR*>(GetBlob(2, bytes + 1))), "0A FF ");
    EXPECT_TRUE(GetBlob(3, nullptr).IsEmpty());
    // File times in the system's short date and time, before the year 10000.
    PinnedLocale english("en-US");
    EXPECT_EQ(Text(kStart, FileTime(0)), "1/1/1601 12:00 AM");
    EXPECT_EQ(Text(kStart, FileTime(133541343590000000ull)), "3/5/2024 5:45 PM");  // 17:45:59
    EXPECT_EQ(Text(kStart, FileTime(2650467744000000000ull - 1)), "12/31/9999 11:59 PM");
    EXPECT_EQ(Text(kStart, FileTime(2650467744000000000ull)), "");
    EXPECT_EQ(Text(kStart, FileTime(~0ull)), "") << "does not convert at all";
    PinnedLocale german("de-DE");
    EXPECT_EQ(Text(kStart, FileTime(133541343590000000ull)), "05.03.2024 17:45");
}

}  // namespace
