// The saved form of a list (CePtrList, CeStrList): the recent-contacts file
// and the other lists the suite keeps in files. All integers little-endian:
//
//   offset  size  content
//   0       1     version, 1
//   1       4     signature length n, its terminating 0 byte included
//   5       n     signature, single-byte characters, 0-terminated
//   5+n     4     number of elements
//   9+n     4     current position, counted from the index base
//   13+n    4     index base (0 or 1)
//   17+n    4     element size, or 0 when the writer was not asked to record it
//   21+n    ...   the elements, each a 4-byte length m and m bytes
//
// An element's bytes follow the list's copy kind (list_policies.h):
//   1 a malloc block: its _msize bytes     2 a local block: its LocalSize bytes
//   4 a wide string: its UTF-16 units and the 0 unit
//   5 a narrow string: its bytes and the 0 byte
//   6 a BSTR: its UTF-16 units, no terminator
//   any other kind (values, integer lists): the value's low 32 bits (4 bytes)
// A null element is written with length 0 and reads back as null (an empty
// BSTR for kind 6). Lists of interface pointers (kind 3) and lists with a
// caller's own policies have no byte form and are not written.
//
// Reading tolerates elements the writer would not make: a value element of
// other than 4 bytes takes its first (at most 4) bytes; a string without its
// terminator, or a wide string of an odd byte count, is cut to its whole
// characters and terminated.
//
// Sections: Results and flags; The byte form; Reading; Writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"

// ---- Results and flags ----

constexpr int CELISTFILE_NOTCREATED = 0;  // writing: the file could not be created
constexpr int CELISTFILE_OK = 1;
constexpr int CELISTFILE_NOMEMORY = 2;
constexpr int CELISTFILE_SHORT = 4;      // a short read, or a failed write
constexpr int CELISTFILE_BADFORMAT = 5;  // another version, or another signature

// Reading: size the list to the stored count first and store each element at
// the next position from the index base (else each is appended).
constexpr DWORD CELISTFILE_PRESIZE = 0x1;
// Reading: take the element size from the file. Writing: record the list's.
constexpr DWORD CELISTFILE_ELEMENTSIZE = 0x2;

constexpr BYTE CELISTFILE_VERSION = 1;

// The copy kind of a list with a caller's own policies (CePtrList::GetCopyKind).
constexpr int CELISTFILE_CUSTOMKIND = -1;

// ---- The byte form ----

// A list file taken apart: the header fields and where each element's bytes
// lie in `bytes`.
struct CeListFileImage {
    struct Span {
        size_t offset;
        size_t size;
    };
    DWORD count = 0;
    int currentPosition = 0;
    int indexBase = 0;
    int elementSize = 0;
    std::vector<BYTE> bytes;
    std::vector<Span> elements;
};

// Checks and takes apart the bytes of a list file with the given signature.
// A file too short for its header or an element, or whose count could not
// fit in it, is CELISTFILE_SHORT; another version or signature
// CELISTFILE_BADFORMAT (checked first).
int CeParseListFile(const BYTE* data, size_t size, const char* signature, CeListFileImage& image);
// Reads and takes apart the file at path (a device path). A missing file (or
// folder) is CELISTFILE_OK with no elements and *missing set; a file that
// cannot be read is CELISTFILE_SHORT.
int CeLoadListFile(LPCWSTR path, const char* signature, CeListFileImage& image, bool* missing);

// False for the copy kinds whose elements have no byte form (3, and a
// caller's own policies).
bool CeListFileHasByteForm(int copyKind);
// The header of a list file, to which the writer appends the elements.
bool CeListFileHeader(std::vector<BYTE>& out, const char* signature, DWORD count, int currentPosition, int indexBase,
                      int elementSize);
// Appends one element (its length and bytes) of the copy kind; false when the
// kind has no byte form.
bool CeListFileAppendElement(std::vector<BYTE>& out, int copyKind, void* element);
// Makes a temporary element of the copy kind from its bytes: a block the
// kind's free policy releases, or a value (released by nothing). False when
// memory runs out.
bool CeListFileMakeElement(int copyKind, const BYTE* data, size_t size, void** element);
// Creates the file at path anew and writes the bytes: CELISTFILE_OK,
// CELISTFILE_NOTCREATED or CELISTFILE_SHORT.
int CeSaveListFile(LPCWSTR path, const std::vector<BYTE>& bytes);

// An element as the untyped value the policies take, and back.
template <class T>
void* CeListFileSlot(const T& element)
{
    if constexpr (std::is_pointer_v<T>)
        return const_cast<void*>(reinterpret_cast<const volatile void*>(element));
    else
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::make_unsigned_t<T>>(element)));
}
template <class T>
T CeListFileElement(void* slot)
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<T>(slot);
    else
        return static_cast<T>(reinterpret_cast<std::uintptr_t>(slot));
}

// ---- Reading ----

// Fills list from the image. The list is emptied first, and again on failure;
// a list whose elements have no byte form stays empty (CELISTFILE_BADFORMAT).
template <class T>
int CeListFromImage(const CeListFileImage& image, CePtrList<T>& list, DWORD flags)
{
    list.RemoveAll();
    if (!CeListFileHasByteForm(list.GetCopyKind())) return CELISTFILE_BADFORMAT;
    list.SetIndexBase(image.indexBase);
    if (flags & CELISTFILE_ELEMENTSIZE) list.SetElementSize(image.elementSize);
    const int kind = list.GetCopyKind();
    const bool presize = (flags & CELISTFILE_PRESIZE) != 0;
    auto fail = [&list](int result) {
        list.RemoveAll();
        return result;
    };
    if (presize && list.SetCount(static_cast<int>(image.count)) != CELIST_OK) return fail(CELISTFILE_NOMEMORY);
    int position = list.GetIndexBase();
    for (const CeListFileImage::Span& span : image.elements) {
        void* temp = nullptr;
        if (!CeListFileMakeElement(kind, image.bytes.data() + span.offset, span.size, &temp))
            return fail(CELISTFILE_NOMEMORY);
        const T element = CeListFileElement<T>(temp);
        const int stored = presize ? list.SetAt(position++, element) : list.Append(element);
        // The list stored its own copy through its copy policy.
        if (CeListFreeFn release = CeListFreePolicy(kind); release && temp) release(temp);
        if (stored != CELIST_OK) return fail(CELISTFILE_NOMEMORY);
    }
    list.SetCurrentPosition(image.currentPosition);
    return CELISTFILE_OK;
}

// Reads the list file at path into list: CELISTFILE_OK (also for a missing
// file, which gives an empty list), or an error with the list emptied.
template <class T>
int CeReadListFile(LPCWSTR path, const char* signature, CePtrList<T>& list, DWORD flags = 0)
{
    list.RemoveAll();
    CeListFileImage image;
    bool missing = false;
    const int result = CeLoadListFile(path, signature, image, &missing);
    if (result != CELISTFILE_OK || missing) return result;
    return CeListFromImage(image, list, flags);
}

// The same from bytes in memory.
template <class T>
int CeReadListBytes(const BYTE* data, size_t size, const char* signature, CePtrList<T>& list, DWORD flags = 0)
{
    list.RemoveAll();
    CeListFileImage image;
    const int result = CeParseListFile(data, size, signature, image);
    if (result != CELISTFILE_OK) return result;
    return CeListFromImage(image, list, flags);
}

// ---- Writing ----

// The bytes of the list's file; false when an element has no byte form or
// memory runs out.
template <class T>
bool CeListFileBytes(CePtrList<T>& list, const char* signature, DWORD flags, std::vector<BYTE>& out)
{
    const int elementSize = (flags & CELISTFILE_ELEMENTSIZE) ? list.GetElementSize() : 0;
    if (!CeListFileHeader(out, signature, static_cast<DWORD>(list.GetCount()), list.GetCurrentPosition(),
                          list.GetIndexBase(), elementSize))
        return false;
    for (const T& element : list)
        if (!CeListFileAppendElement(out, list.GetCopyKind(), CeListFileSlot(element))) return false;
    return true;
}

// Creates the file at path anew with the list: CELISTFILE_OK,
// CELISTFILE_NOTCREATED when it cannot be created, CELISTFILE_SHORT when a
// write fails or the elements have no byte form (the file is then not
// touched), CELISTFILE_NOMEMORY.
template <class T>
int CeWriteListFile(LPCWSTR path, const char* signature, CePtrList<T>& list, DWORD flags = 0)
{
    std::vector<BYTE> bytes;
    try {
        if (!CeListFileBytes(list, signature, flags, bytes)) return CELISTFILE_SHORT;
    } catch (const std::bad_alloc&) {
        return CELISTFILE_NOMEMORY;
    }
    return CeSaveListFile(path, bytes);
}
