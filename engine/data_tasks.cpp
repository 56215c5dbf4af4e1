#include "engine/data_tasks.h"

#include <cstdlib>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/fixed_block_pool.h"
#include "platform/text/wide_string.h"

namespace {

// Slabs of 64 KiB (a list's last, part-filled slab wastes little), all given
// back once no row is in use: a reload then starts from an empty pool, as it
// would from the ordinary heap.
constexpr std::size_t kRowSlabBytes = 64 * 1024;
constexpr std::size_t kRowKeepBytes = 0;

// Never destroyed: rows of lists freed at exit still come back to it.
FixedBlockPool& RowPool()
{
    static FixedBlockPool* pool = new FixedBlockPool(sizeof(DATATASKS), alignof(DATATASKS), kRowSlabBytes, kRowKeepBytes);
    return *pool;
}

}  // namespace

void* DATATASKS::operator new(std::size_t size)
{
    void* row = operator new(size, std::nothrow);
    if (!row) throw std::bad_alloc();
    return row;
}

// A class made from DATATASKS is bigger than the pool's blocks: it comes
// from the heap.
void* DATATASKS::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    static_assert(alignof(DATATASKS) <= 16, "the row pool aligns blocks to at most 16 bytes");
    return size == sizeof(DATATASKS) ? RowPool().Allocate() : ::operator new(size, std::nothrow);
}

void DATATASKS::operator delete(void* row, std::size_t size) noexcept
{
    if (size == sizeof(DATATASKS))
        RowPool().Free(row);
    else
        ::operator delete(row);
}

DATATASKS::DATATASKS() : subject(nullptr), categories(nullptr), iconText(nullptr), subjectKey(0)
{
    SetDefaults();
    keptAsParent = 0;
    expanded = 0;
    parentOid = 0;
    depth = 0;
    groupIndex = 0;
    parent = nullptr;
}

// The child list holds the children without owning them (no free policy):
// they belong to the display list.
DATATASKS::~DATATASKS()
{
    if (!(sharedTexts & kTaskSharesSubject)) std::free(subject);
    if (!(sharedTexts & kTaskSharesCategories)) std::free(categories);
    std::free(iconText);
}

void DATATASKS::SetDefaults()
{
    rank = 0;
    order = 0;
    importance = kTaskImportanceNormal;
    oid = 0;
    for (int i = 0; i < kTaskPriorityChars; ++i) {
        priorityNumber[i] = 0;
        priorityLetter[i] = 0;
    }
    subject = nullptr;
    categories = nullptr;
    sharedTexts = 0;
    iconText = nullptr;
    dueDate = kTaskNoDate;
    startDate = kTaskNoDate;
    completionDate = kTaskNoDate;
    hasJournal = 0;
    hasLinks = 0;
    sensitivity = 0;
    hasNote = 0;
    flag4126 = 0;
    reminderSet = 0;
    complete = 0;
    percentComplete = 0;
    overdue = 0;
    dueToday = 0;
    hidden = 0;
    expandable = 1;
    filled = 0;
}

int DATATASKS::TotalNumChildren() const
{
    // Depth-first without recursion; a row met again on its own path (a
    // cycle left by damaged parent links) is not descended into twice.
    struct Frame {
        const DATATASKS* row;
        TaskChildren::iterator next;
    };
    int total = 0;
    std::vector<Frame> stack;
    std::unordered_set<const DATATASKS*> onPath;
    stack.push_back({this, children.begin()});
    onPath.insert(this);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.row->children.end()) {
            onPath.erase(top.row);
            stack.pop_back();
            continue;
        }
        const DATATASKS* child = *top.next;
        ++top.next;
        if (!child) continue;
        ++total;
        if (child->children.GetCount() > 0 && onPath.insert(child).second) {
            stack.push_back({child, child->children.begin()});
        }
    }
    return total;
}

void DATATASKS::NullData(bool all)
{
    if (!(sharedTexts & kTaskSharesSubject)) std::free(subject);
    if (!(sharedTexts & kTaskSharesCategories)) std::free(categories);
    std::free(iconText);
    SetDefaults();
    if (all) {
        // The children belong to the display list: only unlink them.
        while (children.GetCount() > 0) children.RemoveAt(children.GetIndexBase(), false);
        expanded = 0;
        parentOid = 0;
        depth = 0;
        groupIndex = 0;
        parent = nullptr;
        keptAsParent = 0;
    }
}

DATATASKS* DATATASKS::Copy(bool withTree) const
{
    auto* copy = new (std::nothrow) DATATASKS;
    if (!copy) return nullptr;
    copy->subject = sharedTexts & kTaskSharesSubject ? subject : _wcsdup(subject);
    copy->categories = sharedTexts & kTaskSharesCategories ? categories : _wcsdup(categories);
    copy->sharedTexts = sharedTexts;
    copy->iconText = _wcsdup(iconText);
    if ((subject && !copy->subject) || (categories && !copy->categories) || (iconText && !copy->iconText)) {
        delete copy;
        return nullptr;
    }
    copy->rank = rank;
    copy->order = order;
    copy->importance = importance;
    copy->oid = oid;
    for (int i = 0; i < kTaskPriorityChars; ++i) {
        copy->priorityNumber[i] = priorityNumber[i];
        copy->priorityLetter[i] = priorityLetter[i];
    }
    copy->dueDate = dueDate;
    copy->startDate = startDate;
    copy->completionDate = completionDate;
    copy->hasJournal = hasJournal;
    copy->hasLinks = hasLinks;
    copy->sensitivity = sensitivity;
    copy->hasNote = hasNote;
    copy->flag4126 = flag4126;
    copy->reminderSet = reminderSet;
    copy->complete = complete;
    copy->percentComplete = percentComplete;
    copy->overdue = overdue;
    copy->dueToday = dueToday;
    copy->hidden = hidden;
    copy->expandable = expandable;
    copy->filled = 1;
    copy->keptAsParent = keptAsParent;
    copy->parentOid = parentOid;
    if (withTree) {
        copy->expanded = expanded;
        copy->depth = depth;
        copy->groupIndex = groupIndex;
        copy->parent = parent;
        for (DATATASKS* child : children) {
            if (copy->children.Append(child) != CELIST_OK) {
                delete copy;
                return nullptr;
            }
        }
    }
    return copy;
}
