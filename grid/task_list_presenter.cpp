#include "grid/task_list_presenter.h"

#include <set>

#include "engine/data_tasks.h"
#include "grid/list_cell_text.h"

namespace {

constexpr WORD kPriorityColumnWidth = 30;

std::u16string Text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(); }

std::u16string PriorityCell(const DATATASKS& task)
{
    const std::u16string code = ListMarkupText(Text(task.priorityLetter) + Text(task.priorityNumber));
    if (task.importance == kTaskImportanceHigh)
        return u"<P CENTER><B><FONT COLOR=#C00000>" + (code.empty() ? u"!" : code) + u"</FONT></B>";
    if (task.importance == kTaskImportanceLow)
        return u"<P CENTER><FONT COLOR=#7088A0>" + (code.empty() ? u"\u2193" : code) + u"</FONT>";
    return code.empty() ? std::u16string() : u"<P CENTER>" + code;
}

std::u16string SubjectCell(const DATATASKS& task)
{
    std::u16string out;
    const std::u16string due = ListDateText(task.dueDate);
    if (!due.empty()) {
        const char16_t* colour = task.complete    ? u"#909090"
                                 : task.overdue  ? u"#C00000"
                                 : task.dueToday ? u"#C06000"
                                                 : u"#505050";
        out += u"<SPAN><FONT COLOR=" + std::u16string(colour) + u">" + due + u"</FONT></SPAN>";
    }
    for (SHORT level = 0; level < task.depth && level < 16; ++level) out += u"\u00A0\u00A0\u00A0";
    if (task.NumChildren() > 0) out += task.expanded ? u"\u2013 " : u"+ ";
    const std::u16string subject = ListMarkupText(Text(task.subject));
    if (task.complete)
        out += u"<S><FONT COLOR=#909090>" + subject + u"</FONT></S>";
    else if (task.overdue)
        out += u"<FONT COLOR=#C00000>" + subject + u"</FONT>";
    else
        out += subject;

    std::vector<std::u16string> notes;
    const std::u16string start = ListDateText(task.startDate);
    if (!start.empty()) notes.push_back(u"from " + start);
    if (!task.complete && task.percentComplete > 0 && task.percentComplete < 100)
        notes.push_back(ListNumberText(task.percentComplete) + u"%");
    notes.push_back(ListCategoryText(task.categories));
    if (task.reminderSet) notes.emplace_back(u"reminder");
    if (task.sensitivity) notes.emplace_back(u"private");
    if (task.hasNote) notes.emplace_back(u"note");
    if (task.hasLinks) notes.emplace_back(u"links");
    if (task.hasJournal) notes.emplace_back(u"journal");
    const std::u16string line = ListNotesLine(notes);
    if (!line.empty()) out += u"<BR>" + line;
    return out;
}

void AddTree(const DATATASKS* task, CListRows& rows, std::set<const DATATASKS*>& seen)
{
    if (!task || !seen.insert(task).second) return;  // a damaged tree that loops
    if (task->IsHeader()) {
        rows.AddHeader(Text(task->subject), task->NumChildren(), task->expanded != 0);
    } else {
        rows.AddItem(task->oid, TaskRowCells(*task));
        if (!task->expanded) return;
    }
    for (DATATASKS* child : const_cast<DATATASKS*>(task)->children) AddTree(child, rows, seen);
}

}  // namespace

std::vector<std::u16string> TaskRowCells(const DATATASKS& task) { return {PriorityCell(task), SubjectCell(task)}; }

CListRows TaskListRows(const std::vector<const DATATASKS*>& list)
{
    CListRows rows({kPriorityColumnWidth, kListColumnShared});
    std::set<const DATATASKS*> seen;
    for (const DATATASKS* task : list) {
        if (task && !task->parent) AddTree(task, rows, seen);
    }
    return rows;
}
