// The recently opened contacts: their OIDs, most recent first, at most 50 and
// none twice, kept in the list file "%s\Corvid\RecentContacts.bin" of the
// suite's data directory under the signature "RECENT101". Opening a contact
// marks it (MarkRecent); the contact list's recent view shows the OIDs in
// file order.
#pragma once

#include <string>

#include "foundation/ce_list_file.h"
#include "foundation/ce_ptr_list.h"
#include "platform/objectstore/cedb.h"

class CRecentContacts {
public:
    static constexpr int kMaxCount = 50;
    static constexpr const char* kSignature = "RECENT101";
    static constexpr const WCHAR* kFileFormat = u"%s\\Corvid\\RecentContacts.bin";

    CRecentContacts() = default;
    CRecentContacts(const CRecentContacts&) = delete;
    CRecentContacts& operator=(const CRecentContacts&) = delete;

    // The file's device path in the current data directory.
    static std::u16string FilePath();

    // Reads the file into the list and leaves the file as it is: a list-file
    // result (ce_list_file.h); a missing file gives an empty list and
    // CELISTFILE_OK, any error an empty list. For showing the list.
    int Load();
    // Writes the list to the file (the folder made when missing).
    int Save();

    // Puts oid at the head, removing it where it was, and drops the entries
    // beyond kMaxCount. OID 0 names no record and changes nothing.
    void Add(CEOID oid);
    // Takes oid out of the list; false when it was not there.
    bool Remove(CEOID oid);

    // Opening a contact: loads the list (deleting the file when it cannot be
    // read), adds oid and saves the list. The result of the save, or
    // CELISTFILE_OK without touching anything for OID 0.
    static int MarkRecent(CEOID oid);

    const CePtrList<CEOID>& Oids() const { return m_oids; }
    int GetCount() const { return m_oids.GetCount(); }

private:
    CePtrList<CEOID> m_oids;
};
