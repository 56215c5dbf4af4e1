// Which stored notes count as empty for the note indicator of task and
// contact rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/note_emptiness.h"

namespace {

// A blob over bytes, which must outlive it.
CEBLOB BlobOf(std::vector<BYTE>& bytes)
{
    return CEBLOB{static_cast<DWORD>(bytes.size()), bytes.empty() ? nullptr : bytes.data()};
}

// size bytes that begin with start and are filled up with 'x'.
std::vector<BYTE> Bytes(const std::string& start, size_t size)
{
    std::vector<BYTE> bytes(start.begin(), start.end());
    bytes.resize(size, 'x');
    return bytes;
}

TEST(NoteEmptinessTest, MissingOrBlankNotesAreEmpty)
{
    EXPECT_TRUE(IsNoteEmpty(nullptr));

    std::vector<BYTE> text = Bytes("hello", 5);
    CEBLOB noCount{0, text.data()};
    EXPECT_TRUE(IsNoteEmpty(&noCount));
    CEBLOB noData{5, nullptr};
    EXPECT_TRUE(IsNoteEmpty(&noData));

    std::vector<BYTE> leadingZero = {0, 'a', 'b'};
    CEBLOB zero = BlobOf(leadingZero);
    EXPECT_TRUE(IsNoteEmpty(&zero));
}

TEST(NoteEmptinessTest, TextNotesAreNotEmpty)
{
    std::vector<BYTE> one = {'a'};
    CEBLOB oneByte = BlobOf(one);
    EXPECT_FALSE(IsNoteEmpty(&oneByte));

    std::vector<BYTE> text = Bytes("Buy milk", 8);
    CEBLOB plain = BlobOf(text);
    EXPECT_FALSE(IsNoteEmpty(&plain));

    // A zero after the first byte does not make a note empty.
    std::vector<BYTE> wide = {'B', 0, 'u', 0};
    CEBLOB utf16 = BlobOf(wide);
    EXPECT_FALSE(IsNoteEmpty(&utf16));
}

TEST(NoteEmptinessTest, OnlyTheEmptyInkPageIsEmpty)
{
    struct Case {
        std::string start;
        size_t size;
        bool empty;
    } cases[] = {
        {"{\\pwi", 476, true},
        {"{\\pwi1\\ansi", 476, true},
        {"{\\pwi", 475, false},  // an ink note with something in it
        {"{\\pwi", 477, false},
        {"{\\pwi", 4000, false},
        {"{\\pwX", 476, false},
        {"{\\rtf1", 476, false},
        {" {\\pwi", 476, false},
        {"{\\PWI", 476, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " / " + std::to_string(c.size));
        std::vector<BYTE> bytes = Bytes(c.start, c.size);
        CEBLOB blob = BlobOf(bytes);
        EXPECT_EQ(IsNoteEmpty(&blob), c.empty);
    }
}

}  // namespace
