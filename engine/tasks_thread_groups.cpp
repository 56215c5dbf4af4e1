// Grouping, expanding and sorting the task list.
//
// Sections: Headers and their open state; Fixed headers; Filing rows under headers; Expanding; Sorting.
#include <array>
#include <cstddef>
#include <cstdio>
#include <memory_resource>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/tasks_list_sort.h"
#include "engine/tasks_thread.h"
#include "foundation/locale_patterns.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/modules/string_resources.h"
#include "platform/text/wide_string.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"

namespace {

// Header texts of the string table.
constexpr UINT kTextHigh = 42118;
constexpr UINT kTextNormal = 42119;
constexpr UINT kTextLow = 42120;
constexpr UINT kTextNone = 42358;
constexpr UINT kTextOverdue = 44032;
constexpr UINT kTextDueToday = 44033;
constexpr UINT kTextNoDueDate = 44034;
constexpr UINT kTextWithinWeek = 44172;
constexpr UINT kTextWithinMonth = 44173;
constexpr UINT kTextLater = 44174;
constexpr UINT kTextNotCompleted = 44177;
constexpr UINT kTextCompleted = 44181;
constexpr UINT kTextDueTomorrow = 44557;

constexpr const WCHAR* kNoneCategoryStateName = u"TV_BY_CATEGORY_GROUP_NONE";
constexpr int kHeadingNameChars = 140;
constexpr int kHeadingTextChars = 400;
constexpr int kDateHeaderChars = 50;

struct ResourceText {
    explicit ResourceText(UINT id)
    {
        text[0] = 0;
        LoadStringW(nullptr, id, text, static_cast<int>(std::size(text)));
    }
    WCHAR text[kHeadingTextChars + 1];
};

}  // namespace

// ---- Headers and their open state ----

DATATASKS* CTasksThread::NewHeader(const WCHAR* text)
{
    auto* header = new DATATASKS;
    header->subject = _wcsdup(text ? text : u"");
    header->categories = _wcsdup(u"");
    return header;
}

DATATASKS* CTasksThread::CreateGroup(DATATASKS* header)
{
    header->oid = 0;
    header->expanded = 0;
    header->filled = 1;
    m_list.Append(header);
    m_groups.Append(header);
    return header;
}

void CTasksThread::AddGroupChild(DATATASKS* task, DATATASKS* header, long index)
{
    task->depth = 1;
    task->parentOid = header->oid;
    task->parent = header;
    task->expanded = header->expanded;
    task->hidden = header->expanded ? 0 : 1;
    if (header->depth == kTaskDroppedHeaderDepth) header->depth = 0;
    if (index < 0 || header->children.InsertAt(static_cast<int>(index), task) != CELIST_OK) {
        header->children.Append(task);
    }
    ++m_treeRows;
}

bool CTasksThread::GroupStateName(DATATASKS* header, WCHAR* name, int size)
{
    name[0] = 0;
    switch (m_settings.groupBy) {
        case kTasksGroupCategory:
            if (header->importance == kTaskImportanceNone)
                wcsncpy(name, kNoneCategoryStateName, size - 1);
            else
                wcsncpy(name, header->categories ? header->categories : u"", size - 1);
            break;
        case kTasksGroupImportance: {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%d", static_cast<int>(header->importance));
            for (int i = 0; digits[i] && i < size - 1; ++i) name[i] = digits[i], name[i + 1] = 0;
            break;
        }
        case kTasksGroupPriority:
        case kTasksGroupPriorityManager:
            // The header without a letter is stored under its own text.
            if (header->priorityLetter[0])
                wcsncpy(name, header->priorityLetter, size - 1);
            else
                wcsncpy(name, ResourceText(kTextNone).text, size - 1);
            break;
        case kTasksGroupProgress: {
            char text[32];
            std::snprintf(text, sizeof text, "GRPPROG-%d", static_cast<int>(header->groupIndex));
            for (int i = 0; text[i] && i < size - 1; ++i) name[i] = text[i], name[i + 1] = 0;
            break;
        }
        case kTasksGroupCompletion:
            wcsncpy(name, header->complete ? u"Complete" : u"Incomplete", size - 1);
            break;
        default:
            return false;
    }
    name[size - 1] = 0;
    return true;
}

bool CTasksThread::IsGroupHeaderOpen(DATATASKS* header)
{
    WCHAR name[kHeadingTextChars + 1];
    bool open = m_settings.showExpanded;
    if (GroupStateName(header, name, static_cast<int>(std::size(name)))) {
        open = true;
        CRegistry state;
        if (state.Exists(HKEY_CURRENT_USER, kTasksGroupStateKey) == 1) {
            ULONG value = 1;
            if (state.QueryValue(name, &value) == 0 && value == 0) open = false;
        }
    }
    header->expanded = open ? 1 : 0;
    return open;
}

void CTasksThread::SetGroupHeaderOpen(DATATASKS* header, bool open)
{
    const int kind = m_settings.groupBy;
    if (kind == kTasksGroupNone || kind == kTasksGroupDate || kind == kTasksGroupProject) return;
    WCHAR name[kHeadingTextChars + 1];
    if (!GroupStateName(header, name, static_cast<int>(std::size(name)))) return;
    CRegistry state;
    if (state.OpenKey(HKEY_CURRENT_USER, kTasksGroupStateKey) != 0) return;
    state.SetValue(name, static_cast<ULONG>(open ? 1 : 0));
}

bool CTasksThread::AddGroupHeader(DATATASKS* header)
{
    if (!m_settings.customHeadings) return false;
    WCHAR name[kHeadingNameChars + 1];
    if (header->priorityLetter[0])
        wcsncpy(name, header->priorityLetter, kHeadingNameChars);
    else
        wcsncpy(name, ResourceText(kTextNone).text, kHeadingNameChars);
    name[kHeadingNameChars] = 0;
    CRegistry headings;
    if (headings.Exists(HKEY_CURRENT_USER, kTasksGroupHeadingsKey) != 1) return false;
    WCHAR value[kHeadingTextChars + 1];
    if (headings.QueryValue(name, value, kHeadingTextChars) != 0) return false;
    value[kHeadingTextChars] = 0;
    std::u16string text = u"<Q>";
    text += value;
    text += u"</Q>";
    std::free(header->subject);
    header->subject = _wcsdup(text.c_str());
    return true;
}

// ---- Fixed headers ----

DATATASKS* CTasksThread::CreateFixedHeader(UINT text) { return CreateGroup(NewHeader(ResourceText(text).text)); }

void CTasksThread::CreateImportanceHeaders()
{
    const UINT texts[3] = {kTextHigh, kTextNormal, kTextLow};
    for (int i = 0; i < 3; ++i) {
        DATATASKS* header = CreateFixedHeader(texts[i]);
        header->importance = kTaskImportanceHigh - i;
        IsGroupHeaderOpen(header);
    }
}

void CTasksThread::CreateProgressHeaders()
{
    const double today = m_today;
    const int undatedSort = m_sortState.Prefs().undatedTaskSort;
    struct Fixed {
        UINT text;
        double due;
    } const headers[8] = {
        {kTextOverdue, 0.0},
        {kTextDueToday, today},
        {kTextNoDueDate, undatedSort != -1 ? kTaskNoDate : 396136.0},
        {kTextCompleted, kTaskNoDate},
        {kTextWithinWeek, today + 7},
        {kTextWithinMonth, today + 8},
        {kTextLater, today + 32},
        {kTextDueTomorrow, today + 1},
    };
    for (int i = 0; i < 8; ++i) {
        DATATASKS* header = CreateFixedHeader(headers[i].text);
        header->groupIndex = static_cast<WORD>(i);
        header->dueDate = headers[i].due;
        header->overdue = i == 0;
        header->dueToday = i == 1;
        header->complete = i == 3;
        IsGroupHeaderOpen(header);
    }
}

void CTasksThread::CreateCompletionHeaders()
{
    for (int i = 0; i < 4; ++i) {
        DATATASKS* header = CreateFixedHeader(kTextNotCompleted + i);
        header->groupIndex = static_cast<WORD>(i);
        header->complete = i > 0;
        // Completed headers stand in their index order.
        if (i > 0) header->completionDate = i;
        IsGroupHeaderOpen(header);
    }
}

void CTasksThread::CreatePriorityHeaders(bool namedOnly)
{
    for (WCHAR letter = u'A'; letter <= u'Z'; ++letter) {
        const WCHAR text[2] = {letter, 0};
        DATATASKS* header = NewHeader(text);
        header->priorityLetter[0] = letter;
        if (!AddGroupHeader(header) && namedOnly) {
            delete header;
            continue;
        }
        CreateGroup(header);
        IsGroupHeaderOpen(header);
    }
    DATATASKS* none = NewHeader(ResourceText(kTextNone).text);
    none->importance = kTaskImportanceNone;
    AddGroupHeader(none);
    CreateGroup(none);
    IsGroupHeaderOpen(none);
}

void CTasksThread::CreateFixedHeaders()
{
    switch (m_settings.groupBy) {
        case kTasksGroupImportance:
            CreateImportanceHeaders();
            break;
        case kTasksGroupProgress:
            CreateProgressHeaders();
            break;
        case kTasksGroupCompletion:
            CreateCompletionHeaders();
            break;
        case kTasksGroupPriority:
            // Priority headers exist ahead of their tasks only when named
            // headers are always shown, and then only the named letters.
            if (m_settings.alwaysShowNamedHeaders) CreatePriorityHeaders(true);
            break;
        case kTasksGroupPriorityManager:
            CreatePriorityHeaders(false);
            break;
        default:
            break;
    }
}

DATATASKS* CTasksThread::NoneHeader(bool create)
{
    for (DATATASKS* header : m_groups) {
        if (header->importance == kTaskImportanceNone) return header;
    }
    if (!create) return nullptr;
    DATATASKS* none = CreateGroup(NewHeader(ResourceText(kTextNone).text));
    none->importance = kTaskImportanceNone;
    IsGroupHeaderOpen(none);
    return none;
}

// ---- Filing rows under headers ----

void CTasksThread::AddToCategoryGroup(DATATASKS* row, long index)
{
    const WCHAR* text = row->categories ? row->categories : u"";
    if (!text[0]) {
        AddGroupChild(row, NoneHeader(true), index);
        return;
    }
    // The names are split off a copy, since placing a copy must not read a
    // row that is being changed; the copy lives on the stack unless the
    // names are long.
    std::array<std::byte, 512> room;
    std::pmr::monotonic_buffer_resource arena(room.data(), room.size());
    std::pmr::u16string names(text, &arena);
    bool first = true;
    size_t begin = 0;
    while (true) {
        const size_t comma = names.find(u',', begin);
        const size_t end = comma == std::u16string::npos ? names.size() : comma;
        names[end < names.size() ? end : names.size()] = 0;
        const WCHAR* name = names.c_str() + begin;
        auto found = m_categoryHeaders.find(name);
        DATATASKS* target = found != m_categoryHeaders.end() ? found->second : nullptr;
        if (!target) {
            target = CreateGroup(NewHeader(name));
            std::free(target->categories);
            target->categories = _wcsdup(name);
            IsGroupHeaderOpen(target);
            m_categoryHeaders.emplace(target->categories, target);
        }
        if (first) {
            AddGroupChild(row, target, index);
            first = false;
        } else if (DATATASKS* copy = row->Copy(false)) {
            // Copies hold no tree of their own in a grouped list.
            m_list.Append(copy);
            AddGroupChild(copy, target, -1);
        }
        if (comma == std::u16string::npos) break;
        begin = comma + 1;
        if (begin < names.size() && names[begin] == u' ') ++begin;
    }
}

void CTasksThread::AddToImportanceGroup(DATATASKS* row, long index)
{
    for (DATATASKS* header : m_groups) {
        if (header->importance == row->importance) {
            AddGroupChild(row, header, index);
            return;
        }
    }
}

void CTasksThread::AddToPriorityGroup(DATATASKS* row, long index)
{
    const WCHAR letter = row->priorityLetter[0];
    for (DATATASKS* header : m_groups) {
        const WCHAR mine = header->priorityLetter[0];
        if (mine == letter || (letter && mine == letter - 32)) {
            if (!letter && header->importance != kTaskImportanceNone) continue;
            AddGroupChild(row, header, index);
            return;
        }
    }
    DATATASKS* header;
    if (letter) {
        // A new header takes the row's own letter: a lower-case letter joins
        // an upper-case header only when one exists already.
        const WCHAR text[2] = {letter, 0};
        header = NewHeader(text);
        header->priorityLetter[0] = letter;
    } else {
        header = NewHeader(ResourceText(kTextNone).text);
        header->importance = kTaskImportanceNone;
    }
    AddGroupHeader(header);
    CreateGroup(header);
    IsGroupHeaderOpen(header);
    AddGroupChild(row, header, index);
}

void CTasksThread::AddToProgressGroup(DATATASKS* row, long index)
{
    const LONG t = m_today;
    const bool dated = row->dueDate < kTaskNoDate;
    const LONG due = dated ? static_cast<LONG>(row->dueDate) : 0;
    int group;
    if (row->complete)
        group = 3;
    else if (row->overdue)
        group = 0;
    else if (row->dueToday)
        group = 1;
    else if (!dated)
        group = 2;
    else if (due == t + 1)
        group = 7;
    else if (due <= t + 7)
        group = 4;
    else if (due <= t + 31)
        group = 5;
    else
        group = 6;
    for (DATATASKS* header : m_groups) {
        if (header->groupIndex == group) {
            AddGroupChild(row, header, index);
            return;
        }
    }
}

void CTasksThread::AddToCompletionGroup(DATATASKS* row, long index)
{
    const LONG t = m_today;
    const LONG done = row->completionDate < kTaskNoDate ? static_cast<LONG>(row->completionDate) : 0;
    int group;
    if (!row->complete)
        group = 0;
    else if (done >= t - 7)
        group = 1;
    else if (done >= t - 31)
        group = 2;
    else
        group = 3;
    for (DATATASKS* header : m_groups) {
        if (header->groupIndex == group) {
            AddGroupChild(row, header, index);
            return;
        }
    }
}

void CTasksThread::AddToDateGroup(DATATASKS* row, long index)
{
    for (DATATASKS* header : m_groups) {
        if (header->dueDate == row->dueDate) {
            AddGroupChild(row, header, index);
            return;
        }
    }
    DATATASKS* header;
    if (row->dueDate < kTaskNoDate) {
        WCHAR text[kDateHeaderChars + 1] = {};
        SYSTEMTIME st{};
        if (VariantTimeToSystemTime(row->dueDate, &st)) {
            GetLongDateFormat(LOCALE_USER_DEFAULT, &st, text, kDateHeaderChars + 1);
        }
        header = NewHeader(text);
        header->dueDate = row->dueDate;
    } else {
        header = NewHeader(ResourceText(kTextNone).text);
        header->dueDate = kTaskNoDate;
    }
    CreateGroup(header);
    IsGroupHeaderOpen(header);
    AddGroupChild(row, header, index);
}

long CTasksThread::AddToGroup(DATATASKS* row, bool remove, long index)
{
    const int kind = m_settings.groupBy;
    if (!row || kind == kTasksGroupNone || kind == kTasksGroupProject) return -1;
    if (remove) {
        long former = -1;
        const bool dropEmpty = kind == kTasksGroupDate || kind == kTasksGroupCategory ||
                               (kind == kTasksGroupPriority && !m_settings.alwaysShowNamedHeaders);
        for (DATATASKS* header : m_groups) {
            int i = 0;
            for (DATATASKS* child : header->children) {
                if (child->oid == row->oid) {
                    header->children.RemoveAt(header->children.GetIndexBase() + i, false);
                    former = i;
                    --m_treeRows;
                    if (dropEmpty && header->children.IsEmpty()) header->depth = kTaskDroppedHeaderDepth;
                    break;
                }
                ++i;
            }
        }
        return former;
    }
    if (!m_bFixedHeadersMade) {
        m_bFixedHeadersMade = true;
        CreateFixedHeaders();
    }
    switch (kind) {
        case kTasksGroupCategory:
            AddToCategoryGroup(row, index);
            break;
        case kTasksGroupImportance:
            AddToImportanceGroup(row, index);
            break;
        case kTasksGroupPriority:
        case kTasksGroupPriorityManager:
            AddToPriorityGroup(row, index);
            break;
        case kTasksGroupProgress:
            AddToProgressGroup(row, index);
            break;
        case kTasksGroupCompletion:
            AddToCompletionGroup(row, index);
            break;
        case kTasksGroupDate:
            AddToDateGroup(row, index);
            break;
        default:
            break;
    }
    return index;
}

// ---- Expanding ----

long CTasksThread::ExpandTreeNode(bool expand, DATATASKS* node, bool persist)
{
    if (!node) return 0;
    const bool projectKind = m_settings.groupBy == kTasksGroupProject;
    long change = 0;
    if (projectKind && node->oid && node->expanded != (expand ? 1 : 0)) {
        SetTaskHTField(node->oid, node->parentOid, expand, false);
    }
    node->expanded = expand ? 1 : 0;
    if (expand) m_bTreeExpanded = true;
    for (DATATASKS* child : node->children) {
        if (!child->expandable) continue;
        const bool wasHidden = child->hidden != 0;
        child->hidden = expand ? 0 : 1;
        if (projectKind && child->expanded != node->expanded) SetTaskHTField(child->oid, node->oid, expand, false);
        child->expanded = node->expanded;
        if (child->hidden && !wasHidden) ++change;
        if (!child->hidden && wasHidden) --change;
        if (child->IsParentNode()) change += ExpandTreeNode(expand, child, false);
    }
    if (persist) {
        if (node->IsHeader()) SetGroupHeaderOpen(node, expand);
        SortDataList();
    }
    return change;
}

long CTasksThread::ExpandAll(bool expand)
{
    m_settings.showExpanded = expand;
    {
        CRegistry settings;
        if (settings.OpenKey(HKEY_CURRENT_USER, GetSettingsKey()) == 0) {
            settings.SetValue(u"bShowExpanded", static_cast<ULONG>(expand ? 1 : 0));
        }
    }
    std::vector<DATATASKS*> rows(m_list.begin(), m_list.end());
    for (DATATASKS* row : rows) {
        if (expand) {
            if (!row->expandable) continue;
            row->expanded = 1;
            row->hidden = 0;
            if (row->IsHeader()) SetGroupHeaderOpen(row, true);
        } else if (row->depth == 0) {
            ExpandTreeNode(false, row, false);
            if (row->IsHeader()) SetGroupHeaderOpen(row, false);
        }
    }
    SortDataList();
    return 0;
}

// ---- Sorting ----

TasksCompareFn CTasksThread::HeaderComparison() const
{
    switch (m_settings.groupBy) {
        case kTasksGroupCategory:
            return &TasksCompareSubject;
        case kTasksGroupImportance:
        case kTasksGroupPriority:
        case kTasksGroupPriorityManager:
            return &TasksComparePriority;
        case kTasksGroupProgress:
        case kTasksGroupDate:
            return &TasksCompareDueDate;
        case kTasksGroupCompletion:
            return &TasksCompareCompletion;
        default:
            return nullptr;
    }
}

void CTasksThread::RecountDisplayed()
{
    int visible = 0;
    for (DATATASKS* row : m_list) {
        if (!row->hidden) ++visible;
    }
    m_displayed = visible;
}

void CTasksThread::SortDataList()
{
    LoadSortPrefs();
    // The comparisons read this list's own state, whichever thread sorts.
    const TasksSortScope scope(m_sortState);
    const TasksCompareFn primary = TasksPrimaryComparison(m_sortState.Prefs().primaryKey);
    const bool grouped = m_settings.Grouped();

    if (grouped && (m_included == 0 || m_list.IsEmpty())) {
        ClearData();
        DeleteAllHeaders();
        m_displayed = 0;
        return;
    }
    // Subjects compare by their keys, made once per row instead of in every
    // comparison.
    const TasksSubjectKeys keys(m_sortState, {&m_list, &m_groups});
    if (m_withParent == 0 && (!grouped || m_included == 0)) {
        TasksQuickSort(m_list, primary, true);
        RecountDisplayed();
        return;
    }

    CePtrList<DATATASKS*> top(0);
    std::vector<DATATASKS*> dropped;
    if (!grouped) {
        for (DATATASKS* row : m_list) {
            if (row->parent == nullptr) top.Append(row);
        }
        SortHierTasks(top, primary);
    } else {
        for (DATATASKS* header : m_groups) {
            if (header->depth == kTaskDroppedHeaderDepth)
                dropped.push_back(header);
            else
                top.Append(header);
        }
        SortGroupTasks(top, HeaderComparison(), primary);
    }

    // Rows the walk cannot reach (a dropped header, or a row whose tree was
    // broken) would be lost from the list: they are freed here.
    // When the walk meets every row the list holds (no header dropped),
    // nothing is lost and the list keeps its nodes.
    std::vector<DATATASKS*> before;
    m_displayed = LoadHierTasks(top, m_list, &before, dropped.empty());
    if (!before.empty() && static_cast<size_t>(m_list.GetCount()) + dropped.size() != before.size()) {
        std::unordered_set<DATATASKS*> kept(m_list.begin(), m_list.end());
        for (DATATASKS* row : before) {
            if (kept.count(row) || row->IsHeader()) continue;
            delete row;
        }
    }
    for (DATATASKS* header : dropped) {
        if (header->categories) {
            auto named = m_categoryHeaders.find(header->categories);
            if (named != m_categoryHeaders.end() && named->second == header) m_categoryHeaders.erase(named);
        }
        int at = m_groups.GetIndexBase();
        for (DATATASKS* held : m_groups) {
            if (held == header) break;
            ++at;
        }
        m_groups.RemoveAt(at);  // the group list deletes it
    }
}

void CTasksThread::SortPriorityManager()
{
    if (m_settings.groupBy != kTasksGroupPriorityManager) return;
    for (DATATASKS* header : m_groups) {
        LONG rank = 1;
        for (DATATASKS* child : header->children) child->rank = rank++;
    }
}
