#include "engine/recent_contacts.h"

#include "foundation/ce_file.h"
#include "platform/files/files.h"
#include "storage/corvid_directory.h"

std::u16string CRecentContacts::FilePath() { return ResolveSettingsPath(kFileFormat); }

int CRecentContacts::Load() { return CeReadListFile(FilePath().c_str(), kSignature, m_oids); }

int CRecentContacts::Save()
{
    const std::u16string path = FilePath();
    CeFile::CreatePath(path.c_str());
    return CeWriteListFile(path.c_str(), kSignature, m_oids);
}

void CRecentContacts::Add(CEOID oid)
{
    if (oid == 0) return;
    while (Remove(oid)) {
    }
    m_oids.AddHead(oid);
    while (m_oids.GetCount() > kMaxCount) m_oids.RemoveTail();
}

bool CRecentContacts::Remove(CEOID oid)
{
    const int at = m_oids.Find(oid);
    if (at < 0) return false;
    m_oids.RemoveAt(at);
    return true;
}

int CRecentContacts::MarkRecent(CEOID oid)
{
    if (oid == 0) return CELISTFILE_OK;
    CRecentContacts recent;
    if (recent.Load() != CELISTFILE_OK) DeleteFileW(FilePath().c_str());
    recent.Add(oid);
    return recent.Save();
}
