// TASK_PROJECT and CTaskProjects: the projects that tasks can be filed
// under. Each project is a record of the database "KS_Projects"; a task names
// its project (or parent task) by OID in its parent property.
#pragma once

#include <memory>

#include "foundation/ce_ptr_list.h"
#include "foundation/ce_string.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"

class CeDb;

// Written into kProjectMarker when a project is created.
inline constexpr USHORT kProjectMarkerValue = 3;

// One project: its record's OID in "KS_Projects" and its name.
struct TASK_PROJECT {
    DWORD oid = 0;
    CeString name;
};

// The project list of one window. The list owns its projects and finds them
// by OID; after a load or a change it is in name order.
class KSTOOLS_API CTaskProjects {
public:
    // notify: the window told of changes to "KS_Projects" while the database
    // is open (may be null).
    explicit CTaskProjects(HWND notify);
    virtual ~CTaskProjects();
    CTaskProjects(const CTaskProjects&) = delete;
    CTaskProjects& operator=(const CTaskProjects&) = delete;

    // Makes sure "KS_Projects" exists, creating it with its two sort orders
    // (name, then the marker property, both ascending) when it cannot be
    // opened. The check runs once per process for each object store; later
    // calls return at once. Safe to call from several threads.
    static void CheckAndCreateDB();

    // Empties the list and fills it with every project that has a name, in
    // name order. Null when the database cannot be opened (the list is then
    // empty).
    CePtrList<TASK_PROJECT*>* LoadProjects();
    // The OID of the project called name: an existing one from the list, or
    // a new record added to the database and to the list. 0 for a null or
    // empty name, and 0 after showing the platform's text for the error
    // when the record cannot be added.
    ULONG CreateProject(const WCHAR* name);
    // The listed project with this OID; null for OID 0 or when none has it.
    TASK_PROJECT* FindProjectbyID(ULONG oid);
    // Deletes the project's record; only when that succeeds does the project
    // leave the list.
    void RemoveProject(ULONG oid);

    CePtrList<TASK_PROJECT*>& GetProjects() { return m_projects; }

protected:
    // True when the database is open, opening it (and creating it on first
    // use) when it is not.
    bool OpenDB();
    // Orders the list by name, ordinal on 16-bit units, ascending.
    void SortByName();

private:
    std::unique_ptr<CeDb> m_pDB;
    CePtrList<TASK_PROJECT*> m_projects;
    HWND m_hNotify;
};
