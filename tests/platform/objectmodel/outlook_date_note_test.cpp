// Local OLE dates as FILETIMEs, and notes as text or stored bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/outlook_note.h"
#include "platform/text/utf8.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"

namespace {

using namespace outlooktest;
using Bytes = std::vector<BYTE>;

TEST(OutlookDateNoteTest, LocalDatesConvertInTheAcceptedRangeAndNotesKeepEveryCharacterOrTheirBytes)
{
    const struct {
        WORD y, m, d, h, min;
    } dates[] = {
        {1601, 1, 1, 0, 0}, {1899, 12, 29, 6, 0}, {1900, 1, 1, 0, 0}, {2026, 12, 5, 8, 30}, {2999, 12, 31, 23, 59}};
    for (const auto& d : dates) {
        const DATE date = Ole(d.y, d.m, d.d, d.h, d.min);
        const std::optional<FILETIME> ft = OutlookDateToFileTime(date);
        ASSERT_TRUE(ft) << d.y;
        EXPECT_EQ(platform::FileTimeValue(*ft), platform::FileTimeValue(LocalFileTime(d.y, d.m, d.d, d.h, d.min)))
            << d.y;
        const std::optional<DATE> back = OutlookDateFromFileTime(*ft);
        ASSERT_TRUE(back) << d.y;
        EXPECT_DATE(*back, date);
    }
    EXPECT_DATE(*OutlookDateFromFileTime(LocalFileTime(1899, 12, 29, 6, 0)), -1.25) << "days count back, time forward";
    EXPECT_FALSE(OutlookDateToFileTime(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(OutlookDateToFileTime(Ole(1600, 12, 31))) << "before FILETIME 0";
    FILETIME huge{0xFFFFFFFFu, 0x7FFFFFFFu};
    EXPECT_FALSE(OutlookDateFromFileTime(huge)) << "beyond the year 9999";
    FILETIME negative{0, 0x80000000u};
    EXPECT_FALSE(OutlookDateFromFileTime(negative));

    // The accepted range.
    EXPECT_TRUE(IsOutlookDateValid(kNoOleDate));
    EXPECT_TRUE(IsOutlookDateValid(Ole(1900, 1, 1)));
    EXPECT_TRUE(IsOutlookDateValid(Ole(2999, 12, 31, 23, 59)));
    EXPECT_FALSE(IsOutlookDateValid(Ole(1899, 12, 31, 23, 59)));
    EXPECT_FALSE(IsOutlookDateValid(Ole(3000, 1, 1)));
    EXPECT_FALSE(IsOutlookDateValid(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(IsOutlookDateValid(std::nan("")));

    EXPECT_EQ(OutlookNote::BlobFromText(u""), Bytes{});
    EXPECT_EQ(OutlookNote::BlobFromText(u"a\u20ac"), (Bytes{'a', 0x80, 0})) << "the euro sign of the ANSI code page";
    EXPECT_EQ(OutlookNote::BlobFromText(u"\u4e2d"), (Bytes{0xEF, 0xBB, 0xBF, 0xE4, 0xB8, 0xAD, 0})) << "UTF-8";
    for (const char16_t* text :
         {u"\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1", u"Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105",
          u"\u4f60\u597d\uff0c\u4e16\u754c", u"caf\u00e9 \U0001F600", u"\u00ef\u00bb\u00bf"})
        EXPECT_EQ(OutlookNote::TextFromBlob(OutlookNote::BlobFromText(text)), text) << WideToUtf8(text);
    EXPECT_EQ(OutlookNote::TextFromBlob({'c', 'a', 'f', 0xE9, 0}), u"caf\u00e9") << "the single-byte form";
    EXPECT_EQ(OutlookNote::TextFromBlob({0xEF, 0xBB, 0xBF, 0xE9, 0}), u"\u00ef\u00bb\u00bf\u00e9")
        << "marked, no UTF-8";
    EXPECT_EQ(OutlookNote::TextFromBlob({'h', 'i', 0, 'x'}), u"hi") << "up to the first 0";
    EXPECT_EQ(OutlookNote::TextFromBlob({'h', 'i'}), u"hi") << "or the end";
    EXPECT_EQ(OutlookNote::TextFromBlob({0, 'x'}), u"");
    EXPECT_EQ(OutlookNote::TextFromBlob({}), u"");

    const Bytes ink{'{', '\\', 'p', 'w', 'i', 0, 1, 2};
    const Bytes rtf{'{', '\\', 'r', 't', 'f', '1', ' ', 'x', '}'};
    EXPECT_TRUE(OutlookNote::IsFormatted(ink));
    EXPECT_TRUE(OutlookNote::IsFormatted(rtf));
    EXPECT_FALSE(OutlookNote::IsFormatted({'{', '\\', 'p'}));
    EXPECT_EQ(OutlookNote::TextFromBlob(ink), u"");
    EXPECT_EQ(OutlookNote::TextFromBlob(rtf), u"");

    const OwnedBstr bytes = OwnedBstr::Adopt(OutlookNote::BstrFromBlob(ink));
    ASSERT_NE(bytes.Get(), nullptr);
    EXPECT_EQ(SysStringByteLen(bytes), ink.size());
    EXPECT_EQ(OutlookNote::BlobFromBstr(bytes), ink);
    EXPECT_EQ(OutlookNote::BlobFromBstr(nullptr), Bytes{});
}

class OutlookZoneDateTest : public OutlookItemTest {};

TEST_F(OutlookZoneDateTest, UtcThroughTheDeviceZoneAtThatMoment)
{
    ASSERT_TRUE(platform::SetDeviceTimeZone(u"America/New_York"));
    const struct {
        DATE local;
        FILETIME utc;
    } cases[] = {
        {Ole(2026, 7, 1, 10, 0), LocalFileTime(2026, 7, 1, 14, 0)},    // daylight time, UTC-4
        {Ole(2026, 1, 15, 10, 0), LocalFileTime(2026, 1, 15, 15, 0)},  // standard time, UTC-5
        {Ole(2026, 3, 8, 1, 30), LocalFileTime(2026, 3, 8, 6, 30)},    // just before the change
    };
    for (const auto& c : cases) {
        const std::optional<FILETIME> utc = OutlookLocalDateToUtc(c.local);
        ASSERT_TRUE(utc);
        EXPECT_EQ(platform::FileTimeValue(*utc), platform::FileTimeValue(c.utc));
        EXPECT_DATE(*OutlookUtcToLocalDate(*utc), c.local);
    }
    FILETIME huge{0xFFFFFFFFu, 0x7FFFFFFFu};
    EXPECT_FALSE(OutlookUtcToLocalDate(huge));
}

}  // namespace
