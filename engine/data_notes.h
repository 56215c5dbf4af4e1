// DATANOTES: one row of the notes list: a root (a documents folder or an
// external notes database), a folder, a note, or the placeholder of an empty
// folder. Rows are made with new and owned by the loader's display list; a
// row's children are held, not owned.
#pragma once

#include <vector>

#include "foundation/counted_string.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/gdi/gdi_types.h"

// Kinds of rows.
inline constexpr LONG kNoteKindFolder = 0;
inline constexpr LONG kNoteKindInk = 9;        // ".pwi" and other document notes
inline constexpr LONG kNoteKindVoice = 10;     // ".wav"
inline constexpr LONG kNoteKindPmi = 11;       // ".pmi"
inline constexpr LONG kNoteKindDatabase = 12;  // an external database or one of its notes

// The mark of a folder whose stored state says hidden.
inline constexpr LONG kNoteHiddenFolderMark = 2;

class KSTOOLS_API DATANOTES {
public:
    DATANOTES();
    virtual ~DATANOTES();
    DATANOTES(const DATANOTES&) = delete;
    DATANOTES& operator=(const DATANOTES&) = delete;

    bool IsParentNode() const { return !children.empty(); }
    int NumChildren() const { return static_cast<int>(children.size()); }
    // All descendants, recursively.
    int TotalNumChildren() const;
    // Frees the strings and resets the members; with all also forgets the
    // children (without deleting them) and clears expanded, parent id, depth
    // and parent.
    void NullData(bool all);

    DWORD id;
    CStr name;
    CStr path;
    CStr categories;  // empty when the note has none
    LONG expanded;
    FILETIME created;
    FILETIME modified;
    FILETIME alarm;
    DWORD size;  // KiB, at least 1 for a file note
    LONG isPrivate;
    LONG hasAlarm;
    COLORREF colour;
    LONG hiddenFolder;
    LONG reservedOne;
    DWORD parentId;
    SHORT depth;
    DATANOTES* parent;
    std::vector<DATANOTES*> children;
    LONG kind;
    BYTE folder;
    BYTE shown;
};
