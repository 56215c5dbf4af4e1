#include "engine/task_projects.h"

#include <mutex>
#include <string>

#include "platform/base/last_error.h"
#include "platform/ui/ui_host.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

namespace {

SORTORDERSPEC g_projectSorts[2] = {
    {kProjectName, 0},
    {kProjectMarker, 0},
};

// List policies: the list owns its projects and compares them by OID.
void DeleteProject(void* element) { delete static_cast<TASK_PROJECT*>(element); }

int CompareProjectOid(const void* a, const void* b, int)
{
    const DWORD oa = a ? static_cast<const TASK_PROJECT*>(a)->oid : 0;
    const DWORD ob = b ? static_cast<const TASK_PROJECT*>(b)->oid : 0;
    return oa < ob ? -1 : oa > ob ? 1 : 0;
}

int CompareProjectName(TASK_PROJECT* const& a, TASK_PROJECT* const& b, unsigned long)
{
    return a->name.Compare(b->name);
}

// Shows the platform's text for the thread's last error.
void ShowLastError(HWND owner)
{
    const DWORD code = GetLastError();
    CeString text;
    text.FormatMessageW(code);
    MessageBoxW(owner, text, nullptr, MB_OK | MB_ICONERROR);
}

}  // namespace

CTaskProjects::CTaskProjects(HWND notify) : m_pDB(std::make_unique<CeDb>()), m_projects(0), m_hNotify(notify)
{
    m_projects.SetPolicies(nullptr, &DeleteProject, &CompareProjectOid);
}

CTaskProjects::~CTaskProjects() = default;

void CTaskProjects::CheckAndCreateDB()
{
    // Tests and tools may point the process at another data directory, which
    // deserves its own check; otherwise the check runs once.
    static std::mutex mutex;
    static std::string checkedStore;
    static bool checked = false;
    std::lock_guard<std::mutex> lock(mutex);
    const std::string store = platform::ObjectStorePath();
    if (checked && store == checkedStore) return;
    checked = true;
    checkedStore = store;

    CeDb db;
    if (db.Open(kProjectsDatabase, 0, 0, nullptr)) return;
    if (!db.Create(kProjectsDatabase, 0, 2, g_projectSorts)) db.HandleError(u"CheckAndCreateDB");
    db.Close();
}

bool CTaskProjects::OpenDB()
{
    if (m_pDB->IsOpen()) return true;
    CheckAndCreateDB();
    if (m_pDB->Open(kProjectsDatabase, 0, 0, m_hNotify)) return true;
    m_pDB->HandleError(u"CTaskProjects::OpenDB");
    return false;
}

CePtrList<TASK_PROJECT*>* CTaskProjects::LoadProjects()
{
    m_projects.RemoveAll();
    if (!OpenDB()) return nullptr;

    CEPROPID ids[1] = {kProjectName};
    for (CEOID oid = m_pDB->SeekFirst(); oid != 0; oid = m_pDB->SeekNext()) {
        CeDbRecord record;
        if (!m_pDB->ReadRec(record, 1, ids)) continue;
        const int index = record.FindProp(kProjectName);
        CeString name;
        if (!record.GetIndexVal(index, name) || name.IsEmpty()) continue;
        auto* project = new TASK_PROJECT;
        project->oid = record.GetOid();
        project->name = name;
        if (m_projects.Append(project) != CELIST_OK) delete project;
    }
    SortByName();
    return &m_projects;
}

ULONG CTaskProjects::CreateProject(const WCHAR* name)
{
    if (!name || !name[0]) return 0;
    for (TASK_PROJECT* project : m_projects) {
        if (project->name == name) return project->oid;
    }

    CeDbRecord record;
    record.AddProp(PropIdNumber(kProjectName), TypeFromPropID(kProjectName));
    record.AddProp(PropIdNumber(kProjectMarker), TypeFromPropID(kProjectMarker));
    record.SetIdVal(PropIdNumber(kProjectName), name, TypeFromPropID(kProjectName));
    record.SetIdVal(PropIdNumber(kProjectMarker), kProjectMarkerValue, TypeFromPropID(kProjectMarker));
    if (!OpenDB() || !m_pDB->AddRec(record)) {
        ShowLastError(m_hNotify);
        return 0;
    }

    auto* project = new TASK_PROJECT;
    project->oid = record.GetOid();
    project->name = name;
    if (m_projects.Append(project) != CELIST_OK) {
        // The record stands; the next load lists it.
        delete project;
        return record.GetOid();
    }
    SortByName();
    return project->oid;
}

TASK_PROJECT* CTaskProjects::FindProjectbyID(ULONG oid)
{
    if (oid == 0 || m_projects.IsEmpty()) return nullptr;
    TASK_PROJECT probe;
    probe.oid = oid;
    const int pos = m_projects.Find(&probe);
    return pos < 0 ? nullptr : m_projects.GetAt(pos);
}

void CTaskProjects::RemoveProject(ULONG oid)
{
    if (!OpenDB() || !m_pDB->DeleteRecord(oid)) return;
    TASK_PROJECT probe;
    probe.oid = oid;
    const int pos = m_projects.Find(&probe);
    if (pos >= 0) m_projects.RemoveAt(pos);
}

void CTaskProjects::SortByName() { m_projects.Sort(&CompareProjectName, 0); }
