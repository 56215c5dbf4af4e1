// The ink-note file: what the reader refuses and why, what survives a write and a read, and the drawing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/ink/ink_drawing.h"
#include "platform/ink/ink_note.h"
#include "tests/support/device_sandbox.h"

using platform::InkNote;
using platform::InkReadError;

namespace {

InkNote SampleNote()
{
    InkNote note;
    note.pageWidth = 100;
    note.pageHeight = 80;
    note.paper = RGB(250, 240, 200);
    note.text = u"Milk \u00e9\U0001F600\nBread";
    note.strokes.push_back({RGB(200, 0, 0), 3, {{10, 60}, {90, 60}}});
    note.strokes.push_back({RGB(0, 0, 200), 1, {{-5, 32767}}});
    return note;
}

void Put32(std::vector<BYTE>& bytes, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<BYTE>(v >> (8 * i));
}

}  // namespace

TEST(InkNote, AnEmptyPageIsTheHeaderAloneAndAWrittenNoteReadsBackWhole)
{
    const std::vector<BYTE> empty = platform::SerializeInkNote(InkNote{});
    ASSERT_EQ(empty.size(), 476u);
    EXPECT_EQ(std::memcmp(empty.data(), "{\\pwi", 5), 0);

    const InkNote written = SampleNote();
    const std::vector<BYTE> bytes = platform::SerializeInkNote(written);
    // Header, 14 UTF-16 units of text, two strokes of two points and one.
    EXPECT_EQ(bytes.size(), 476u + 2 * 14 + (8 + 8) + (8 + 4));
    InkNote read;
    ASSERT_EQ(platform::ParseInkNote(bytes.data(), bytes.size(), read), InkReadError::None);
    EXPECT_EQ(read.pageWidth, 100);
    EXPECT_EQ(read.pageHeight, 80);
    EXPECT_EQ(read.paper, written.paper);
    EXPECT_EQ(read.text, written.text);
    ASSERT_EQ(read.strokes.size(), 2u);
    EXPECT_EQ(read.strokes[0].colour, RGB(200, 0, 0));
    EXPECT_EQ(read.strokes[0].width, 3);
    EXPECT_EQ(read.strokes[1].points[0].x, -5);
    EXPECT_EQ(read.strokes[1].points[0].y, 32767);
}

TEST(InkNote, BadFilesAreRefusedWithTheirReasonAndLeaveTheNoteAlone)
{
    const std::vector<BYTE> good = platform::SerializeInkNote(SampleNote());
    auto with = [&](auto change) {
        std::vector<BYTE> bytes = good;
        change(bytes);
        return bytes;
    };
    const std::string rtf = "{\\rtf1\\ansi a note saved as rich text}";
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
        InkReadError expected;
    } cases[] = {
        {"no bytes", {}, InkReadError::Empty},
        {"rich text named .pwi", std::vector<BYTE>(rtf.begin(), rtf.end()), InkReadError::NotInk},
        {"the marker alone", std::vector<BYTE>(good.begin(), good.begin() + 5), InkReadError::Truncated},
        {"header cut", std::vector<BYTE>(good.begin(), good.begin() + 475), InkReadError::Truncated},
        {"last point cut", std::vector<BYTE>(good.begin(), good.end() - 1), InkReadError::Truncated},
        {"text longer than the file", with([](auto& b) { Put32(b, 24, 5000); }), InkReadError::Truncated},
        {"a billion strokes", with([](auto& b) { Put32(b, 28, 1000000000); }), InkReadError::Truncated},
        {"version 2", with([](auto& b) { b[5] = 2; }), InkReadError::BadVersion},
        {"zero page width", with([](auto& b) { Put32(b, 8, 0); }), InkReadError::BadValue},
        {"page too tall", with([](auto& b) { Put32(b, 12, 5000); }), InkReadError::BadValue},
        {"reserved byte set", with([](auto& b) { b[300] = 1; }), InkReadError::BadValue},
        {"pen width 0", with([](auto& b) { b[476 + 28 + 4] = 0; }), InkReadError::BadValue},
        {"a byte too many", with([](auto& b) { b.push_back(0); }), InkReadError::Trailing},
    };
    for (const Case& c : cases) {
        InkNote note;
        note.text = u"kept";
        EXPECT_EQ(platform::ParseInkNote(c.bytes.data(), c.bytes.size(), note), c.expected) << c.what;
        EXPECT_EQ(note.text, u"kept") << c.what;
        EXPECT_TRUE(note.strokes.empty()) << c.what;
    }
}

class InkFiles : public DeviceSandbox {};

TEST_F(InkFiles, FilesAreWrittenAndReadThroughDevicePaths)
{
    InkNote read;
    EXPECT_EQ(platform::ReadInkFile(u"\\My Documents\\none.pwi", read), InkReadError::Missing);
    MakeHostFile("My Documents/empty.pwi", "");
    EXPECT_EQ(platform::ReadInkFile(u"\\My Documents\\empty.pwi", read), InkReadError::Empty);
    ASSERT_EQ(platform::WriteInkFile(u"\\My Documents\\a.pwi", SampleNote()), ERROR_SUCCESS);
    EXPECT_EQ(ReadHostFile("My Documents/a.pwi").substr(0, 5), "{\\pwi");
    ASSERT_EQ(platform::ReadInkFile(u"\\My Documents\\a.pwi", read), InkReadError::None);
    EXPECT_EQ(read.text, SampleNote().text);
    EXPECT_NE(platform::WriteInkFile(u"\\No Such Folder\\a.pwi", SampleNote()), ERROR_SUCCESS);
}

TEST(InkDrawing, PaperTextAndStrokesLandOnThePage)
{
    InkNote note = SampleNote();
    note.text = u"W";
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    platform::OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, 120, 100));
    HGDIOBJ old = SelectObject(dc.Get(), canvas.Get());
    RECT all{0, 0, 120, 100};
    platform::OwnedBrush black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(dc.Get(), &all, black.Get());
    platform::DrawInkNote(dc.Get(), note, 10, 10);
    // The page at its offset, the red stroke across it, nothing outside.
    EXPECT_EQ(GetPixel(dc.Get(), 15, 50), RGB(250, 240, 200));
    EXPECT_EQ(GetPixel(dc.Get(), 60, 70), RGB(200, 0, 0));
    EXPECT_EQ(GetPixel(dc.Get(), 5, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc.Get(), 115, 95), RGB(0, 0, 0));
    // The typed letter marks the corner of the page.
    int inked = 0;
    for (int y = 14; y < 30; ++y)
        for (int x = 14; x < 30; ++x) inked += GetPixel(dc.Get(), x, y) != RGB(250, 240, 200);
    EXPECT_GT(inked, 3);
    SelectObject(dc.Get(), old);
}
