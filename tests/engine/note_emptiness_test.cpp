// Which stored notes count as empty for the note indicator of task and
// contact rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/note_emptiness.h"

namespace {

TEST(NoteEmptinessTest, MissingBlankAndEmptyInkNotesAreEmpty)
{
    EXPECT_TRUE(IsNoteEmpty(nullptr));
    BYTE text[] = {'h', 'i'};
    CEBLOB noCount{0, text}, noData{2, nullptr};
    EXPECT_TRUE(IsNoteEmpty(&noCount));
    EXPECT_TRUE(IsNoteEmpty(&noData));

    // Each note is start filled up with 'x' to size bytes.
    struct Case {
        std::string start;
        size_t size;
        bool empty;
    } cases[] = {
        {std::string("\0ab", 3), 3, true},  // a first byte of 0
        {"a", 1, false},
        {std::string("B\0u\0", 4), 4, false},  // a zero after the first byte
        {"{\\pwi", 476, true},
        {"{\\pwi1\\ansi", 476, true},
        {"{\\pwi", 475, false},  // an ink note with something in it
        {"{\\pwi", 477, false},
        {"{\\pwX", 476, false},
        {" {\\pwi", 476, false},
        {"{\\PWI", 476, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " / " + std::to_string(c.size));
        std::vector<BYTE> bytes(c.start.begin(), c.start.end());
        bytes.resize(c.size, 'x');
        CEBLOB blob{static_cast<DWORD>(bytes.size()), bytes.data()};
        EXPECT_EQ(IsNoteEmpty(&blob), c.empty);
    }
}

}  // namespace
