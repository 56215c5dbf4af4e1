#include "engine/notes_library.h"

#include <iterator>
#include <mutex>

#include "platform/modules/libraries.h"

namespace {

std::mutex g_libraryLock;
NotesLibrary g_library;
bool g_loaded = false;
HMODULE g_module = nullptr;

template <class Fn>
void Bind(HMODULE module, const char* name, Fn& out)
{
    out = reinterpret_cast<Fn>(GetProcAddressA(module, name));
}

}  // namespace

const NotesLibrary& NotesLibrary::Get()
{
    std::lock_guard<std::mutex> hold(g_libraryLock);
    if (g_loaded) return g_library;
    g_loaded = true;
    g_library = NotesLibrary{};
    // The load is kept for the life of the process.
    HMODULE module = LoadLibraryW(kNotesLibraryName);
    if (!module) return g_library;
    g_module = module;
    Bind(module, "PWN_FindNextDatabase", g_library.findNextDatabase);
    Bind(module, "PWN_GetDatabaseOid", g_library.getDatabaseOid);
    Bind(module, "PWN_GetDatabaseName", g_library.getDatabaseName);
    Bind(module, "PWN_CloseFindDBHandle", g_library.closeFindDBHandle);
    Bind(module, "PWN_FindNextNote", g_library.findNextNote);
    Bind(module, "PWN_GetNoteData", g_library.getNoteData);
    Bind(module, "PWN_CloseFindNoteHandle", g_library.closeFindNoteHandle);
    Bind(module, "PWN_GetNotePreviewText", g_library.getNotePreviewText);
    Bind(module, "PWN_GetNoteDataFromOID", g_library.getNoteDataFromOid);
    Bind(module, "PWN_UpdateNoteProperty", g_library.updateNoteProperty);
    Bind(module, "PWN_CreateNoteFromRTF", g_library.createNoteFromRtf);
    Bind(module, "PWN_CreateNotification", g_library.createNotification);
    Bind(module, "PWN_CreateCopy", g_library.createCopy);
    Bind(module, "PWN_RenameNote", g_library.renameNote);
    Bind(module, "PWN_DeleteNote", g_library.deleteNote);
    return g_library;
}

void NotesLibrary::Reload()
{
    std::lock_guard<std::mutex> hold(g_libraryLock);
    g_loaded = false;
    g_library = NotesLibrary{};
    if (g_module) FreeLibrary(g_module);
    g_module = nullptr;
}

COLORREF NoteColourOfIndex(DWORD index)
{
    static constexpr COLORREF kColours[] = {0x80FFFF, 0x80FF80, 0xFFFFFF, 0xFF80FF, 0xFFFF80};
    return index < std::size(kColours) ? kColours[index] : 0;
}
