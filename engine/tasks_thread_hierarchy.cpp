// The task tree: linking rows to their parents after a load, rolling
// children up into parents, and moving rows between parents.
//
// Sections: Stored links, finding and removing rows; Linking children to parents; Depths and rolling children up;
//   Moving rows in the tree.
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/tasks_thread.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/debug_output.h"

namespace {

// True when row stands on the chain of parents above node (or is node).
bool IsAncestorOrSelf(const DATATASKS* row, const DATATASKS* node)
{
    for (const DATATASKS* p = node; p; p = p->parent) {
        if (p == row) return true;
    }
    return false;
}

// Says in the trace log that a stored parent link was ignored.
void TraceBrokenCycle(DWORD oid, DWORD parentOid)
{
    const std::string text = "tasks: the parent " + std::to_string(parentOid) + " of task " + std::to_string(oid) +
                             " lies below it; the cycle is broken and the task shown at top level";
    OutputDebugStringW(std::u16string(text.begin(), text.end()).c_str());
}

void RemoveChild(DATATASKS* parent, const DATATASKS* child)
{
    int at = parent->children.GetIndexBase();
    for (DATATASKS* held : parent->children) {
        if (held == child) {
            parent->children.RemoveAt(at, false);
            return;
        }
        ++at;
    }
}

}  // namespace

// ---- Stored links, finding and removing rows ----

void CTasksThread::SetTaskHTField(ULONG oid, ULONG parent, bool expanded, bool remove)
{
    CeDb db;
    if (!db.Open(kTasksDatabase, 0, 0, nullptr)) return;
    if (db.SeekTo(oid) == 0) return;
    CEPROPVAL value{};
    value.propid = kTaskParent;
    if (remove)
        value.wFlags = CEDB_PROPDELETE;
    else
        value.val.dblVal = static_cast<double>(parent) + (expanded ? 0.5 : 0.0);
    CeWriteRecordProps(db.GetHandle(), oid, 1, &value);
}

int CTasksThread::FindRowByOid(DWORD oid)
{
    int at = m_list.GetIndexBase();
    for (DATATASKS* row : m_list) {
        if (row->oid == oid && !m_pendingRemoval.count(row)) return at;
        ++at;
    }
    return -1;
}

int CTasksThread::PositionOf(const DATATASKS* row)
{
    int at = m_list.GetIndexBase();
    for (DATATASKS* held : m_list) {
        if (held == row) return at;
        ++at;
    }
    return -1;
}

void CTasksThread::RemoveFromCounters(DATATASKS* row)
{
    PreTaskUpdateCountChange(row);
    if (row->parentOid != 0) --m_withParent;
    if (row->parent) --m_treeRows;
}

void CTasksThread::DetachFromParent(DATATASKS* row)
{
    if (row->parent) RemoveChild(row->parent, row);
    row->parent = nullptr;
}

void CTasksThread::RemoveRow(DATATASKS* row)
{
    if (m_bDeferRemoval) {
        m_pendingRemoval.insert(row);
        return;
    }
    const int at = PositionOf(row);
    if (at >= 0) m_list.RemoveAt(at, false);
    if (!row->IsHeader()) delete row;
}

int CTasksThread::RemoveSubtree(DATATASKS* row)
{
    int removed = 0;
    // Children first, so that no removed row is reached through another.
    std::vector<DATATASKS*> children(row->children.begin(), row->children.end());
    row->children.RemoveAll();
    for (DATATASKS* child : children) {
        child->parent = nullptr;
        removed += RemoveSubtree(child);
    }
    DetachFromParent(row);
    RemoveFromCounters(row);
    m_excluded.insert(row->oid);
    RemoveRow(row);
    return removed + 1;
}

void CTasksThread::DeleteChildrenFromTask(long& position)
{
    DATATASKS* row = m_list.GetAt(static_cast<int>(position));
    if (!row || row->IsHeader()) return;
    const int at = static_cast<int>(position);
    const int removed = RemoveSubtree(row);
    if (!m_bDeferRemoval && position >= at) position -= removed;
}

void CTasksThread::RemoveRowsWithOid(DWORD oid, DATATASKS* keep)
{
    std::vector<DATATASKS*> doomed;
    for (DATATASKS* row : m_list) {
        if (row->oid == oid && row != keep && !row->IsHeader()) doomed.push_back(row);
    }
    for (DATATASKS* row : doomed) RemoveRow(row);
}

// ---- Linking children to parents ----

void CTasksThread::LinkChild(DATATASKS* row, DATATASKS* parent, bool noDuplicates)
{
    row->parent = parent;
    ++m_treeRows;
    if (noDuplicates) {
        for (DATATASKS* child : parent->children) {
            if (child->oid == row->oid) return;
        }
    }
    parent->children.Append(row);
}

// What one linking pass works with, fixed when it starts.
struct CTasksThread::LinkPass {
    std::unordered_map<DWORD, DATATASKS*> byOid;  // task rows by OID
    CeDb* db;                                     // the load's database, for kept parents
    bool dayRule;
    bool projectView;
    bool noDuplicates;
};

void CTasksThread::DropParentLink(DATATASKS* row)
{
    row->parentOid = 0;
    row->depth = 0;
    row->hidden = 0;
    --m_withParent;
}

DATATASKS* CTasksThread::AddKeptParent(DWORD parentOid, LinkPass& pass)
{
    CeDbRecord record;
    if (pass.db->SeekTo(parentOid) == 0 || !pass.db->ReadRec(record, static_cast<USHORT>(m_propCount), m_propIds)) {
        return nullptr;
    }
    bool shown = false;
    // The main pass has counted this task already.
    const int included = m_included, completed = m_completed;
    AddNewTask(&record, &shown, -1, true, true);
    m_included = included;
    m_completed = completed;
    DATATASKS* added = m_list.GetTail();
    if (!added || added->oid != parentOid) return nullptr;
    pass.byOid[added->oid] = added;
    return added;
}

void CTasksThread::LinkToParent(DATATASKS* row, LinkPass& pass)
{
    if (pass.dayRule && m_excluded.count(row->oid)) {
        RemoveSubtree(row);
        return;
    }
    auto found = pass.byOid.find(row->parentOid);
    DATATASKS* parent = found != pass.byOid.end() && !m_pendingRemoval.count(found->second) ? found->second : nullptr;
    if (parent && pass.dayRule) {
        RemoveSubtree(parent);
        RemoveSubtree(row);
        return;
    }
    if (!parent && !pass.projectView && !pass.dayRule && pass.db && pass.db->IsOpen()) {
        parent = AddKeptParent(row->parentOid, pass);
        if (!parent) {
            // No row for the parent: the task stands alone.
            row->expanded = 0;
            DropParentLink(row);
            return;
        }
    }
    if (!parent) {
        if (pass.projectView && row->parentOid != m_settings.projectOid) RemoveSubtree(row);
        return;
    }
    if (IsAncestorOrSelf(row, parent)) {
        TraceBrokenCycle(row->oid, row->parentOid);
        DropParentLink(row);
        return;
    }
    LinkChild(row, parent, pass.noDuplicates);
}

void CTasksThread::DropTopLevelRows()
{
    for (DATATASKS* row : m_list) {
        if (!row->IsHeader() && row->parentOid == 0 && !m_pendingRemoval.count(row)) {
            RemoveFromCounters(row);
            m_pendingRemoval.insert(row);
        }
    }
}

void CTasksThread::RemovePendingRows()
{
    if (m_pendingRemoval.empty()) return;
    std::vector<DATATASKS*> rows(m_list.begin(), m_list.end());
    m_list.RemoveAll();
    for (DATATASKS* row : rows) {
        if (m_pendingRemoval.count(row)) {
            if (!row->IsHeader()) delete row;
        } else {
            m_list.Append(row);
        }
    }
    m_pendingRemoval.clear();
}

void CTasksThread::SetChildToParents(void* /*buffer*/, ULONG* /*ids*/, ULONG /*size*/, bool noDuplicates)
{
    if (m_withParent <= 0 || !m_settings.readParent) return;
    // Parent records are read into a buffer of their own: the load's buffer
    // belongs to the load's record.
    LinkPass pass{{}, GetDatabaseClass(), m_settings.DayRule(), m_settings.ProjectView(), noDuplicates};
    for (DATATASKS* row : m_list) {
        if (!row->IsHeader()) pass.byOid.emplace(row->oid, row);
    }
    m_bDeferRemoval = true;

    // Kept parents are appended while the walk goes on and are linked in
    // their turn, so a chain of filtered-out parents is followed up.
    for (int i = m_list.GetIndexBase(); i < m_list.GetIndexBase() + m_list.GetCount(); ++i) {
        DATATASKS* row = m_list.GetAt(i);
        if (!row || row->IsHeader() || row->parentOid == 0 || m_pendingRemoval.count(row) || row->parent) continue;
        LinkToParent(row, pass);
    }
    // The project view shows only tasks below the project: rows left without
    // a parent go.
    if (pass.projectView) DropTopLevelRows();

    m_bDeferRemoval = false;
    RemovePendingRows();
}

// ---- Depths and rolling children up ----

void CTasksThread::UpdateDepth(TaskChildren& children, DATATASKS* parent)
{
    for (DATATASKS* child : children) {
        child->depth = static_cast<SHORT>(parent->depth + 1);
        if (child->IsParentNode()) UpdateDepth(child->children, child);
    }
}

void CTasksThread::HTParentTaskRulesCheck(DATATASKS* parent)
{
    if (!parent || m_settings.groupBy != kTasksGroupProject) return;
    if (parent->percentComplete == 100)
        parent->complete = 1;
    else if (parent->complete)
        parent->complete = 0;
}

void CTasksThread::SetupChildren(DATATASKS* parent, unsigned short& percent)
{
    const bool projectKind = m_settings.groupBy == kTasksGroupProject;
    if (!projectKind && parent->IsParentNode()) parent->expanded = parent->children.GetHead()->expanded;
    unsigned long sum = 0;
    unsigned long count = 0;
    for (DATATASKS* child : parent->children) {
        child->depth = static_cast<SHORT>(parent->depth + 1);
        if (!projectKind) {
            child->expanded = parent->expanded;
            child->hidden = parent->expanded ? 0 : 1;
        } else if (!parent->expanded) {
            child->hidden = 1;
            if (child->IsParentNode()) child->expanded = 0;
        }
        if (child->IsParentNode()) {
            unsigned short own = 0;
            SetupChildren(child, own);
            HTParentTaskRulesCheck(child);
        }
        sum += child->percentComplete;
        ++count;
    }
    if (count) parent->percentComplete = static_cast<WORD>(sum / count);
    percent = parent->percentComplete;
}

void CTasksThread::SetActiveCountFromTree()
{
    if (m_settings.DayRule()) return;
    if (m_withParent <= 0 && !m_settings.Grouped()) return;
    const bool projectView = m_settings.ProjectView();
    for (DATATASKS* row : m_list) {
        if (!row->IsParentNode() || row->parent) continue;
        if (row->parentOid == 0 || (projectView && row->parentOid == m_settings.projectOid)) {
            unsigned short percent = 0;
            SetupChildren(row, percent);
            if (!row->IsHeader()) HTParentTaskRulesCheck(row);
        }
    }
}

// ---- Moving rows in the tree ----

void CTasksThread::PromoteChildren(DATATASKS* row, bool store)
{
    DATATASKS* parent = row->parent;
    std::vector<DATATASKS*> children(row->children.begin(), row->children.end());
    row->children.RemoveAll();
    for (DATATASKS* child : children) {
        child->parent = parent;
        child->parentOid = row->parentOid;
        child->depth = static_cast<SHORT>(parent ? parent->depth + 1 : 0);
        if (child->IsParentNode()) UpdateDepth(child->children, child);
        if (store) SetTaskHTField(child->oid, row->parentOid, row->expanded != 0, false);
        if (parent) parent->children.Append(child);
    }
}

void CTasksThread::AddTreeNode(_HIERSTRUCT* move, int childPosition, int parentPosition)
{
    if (!move || m_settings.groupBy != kTasksGroupProject) return;
    DATATASKS* child = m_list.GetAt(childPosition);
    DATATASKS* parent = m_list.GetAt(parentPosition);
    if (!child || !parent || child->IsHeader() || IsAncestorOrSelf(child, parent)) return;
    if (child->parent) {
        // Only the link goes; the row itself stays on the list.
        SetTaskHTField(child->oid, 0, false, true);
        DetachFromParent(child);
        --m_treeRows;
        if (child->parentOid) --m_withParent;
    }
    parent->expanded = move->expanded ? 1 : 0;
    child->parentOid = move->parentOid;
    child->expanded = move->expanded ? 1 : 0;
    child->depth = static_cast<SHORT>(parent->depth + 1);
    child->hidden = move->expanded ? 0 : 1;
    if (child->IsParentNode()) UpdateDepth(child->children, child);
    child->parent = parent;
    parent->children.Append(child);
    ++m_treeRows;
    ++m_withParent;
    SetTaskHTField(move->oid, move->parentOid, move->expanded != 0, false);
}

void CTasksThread::RemoveTreeNode(_HIERSTRUCT* move, int position, bool promoteChildren)
{
    if (!move || m_settings.groupBy != kTasksGroupProject) return;
    DATATASKS* row = m_list.GetAt(position);
    if (!row || row->IsHeader()) return;
    SetTaskHTField(move->oid, 0, false, true);
    if (promoteChildren && row->IsParentNode()) PromoteChildren(row, true);
    const bool hadParent = row->parent != nullptr;
    DetachFromParent(row);
    if (hadParent) --m_treeRows;
    if (row->parentOid) --m_withParent;
    row->parentOid = 0;
    row->depth = 0;
    if (row->keptAsParent && !row->IsParentNode()) {
        RemoveFromCounters(row);
        RemoveRow(row);
    }
}

void CTasksThread::DeleteTaskFromThread(int position)
{
    DATATASKS* row = m_list.GetAt(position);
    if (!row || row->IsHeader() || row->keptAsParent) return;
    PreTaskUpdateCountChange(row);
    if (!m_settings.Grouped()) {
        DATATASKS* parent = row->parent;
        if (row->IsParentNode()) PromoteChildren(row, m_settings.groupBy == kTasksGroupProject);
        DetachFromParent(row);
        if (parent) --m_treeRows;
        if (row->parentOid) --m_withParent;
        RemoveRow(row);
        if (parent && parent->keptAsParent && !parent->IsParentNode()) {
            DetachFromParent(parent);
            if (parent->parentOid) --m_withParent;
            RemoveRow(parent);
        }
    } else {
        AddToGroup(row, true, -1);
        if (m_settings.groupBy == kTasksGroupCategory) {
            RemoveRowsWithOid(row->oid, nullptr);
        } else {
            RemoveRow(row);
            SortPriorityManager();
        }
    }
    RecountDisplayed();
}
