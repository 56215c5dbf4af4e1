// Sample notes for `store seed`: ink and text notes and a voice note in the
// device's documents folder and its sub-folders, a storage card with a notes
// folder of its own, and the category, privacy and alarm of some notes in
// "NoteData.txt"; with the external notes program's plug-in installed, a
// few notes in its "Notebook" database as well.
#pragma once

#include "platform/base/types.h"

namespace kstools {

struct SampleNotesResult {
    int notes = 0;
    int cards = 0;
    int externalNotes = 0;  // 0 when the notes program's plug-in is absent
};

// Writes the sample notes (replacing files of the same names); alarms are
// set relative to now (a local FILETIME). Throws CommandError when a file
// cannot be written.
SampleNotesResult SeedSampleNotes(const FILETIME& now);

}  // namespace kstools
