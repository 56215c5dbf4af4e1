#include "tools/kstools/sample/sample_task_writer.h"

#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/text/owned_bstr.h"
#include "tools/kstools/sample/sample_pattern_writer.h"
#include "tools/kstools/sample/sample_seed_check.h"

namespace kstools {

using platform::ComRef;
using platform::OwnedBstr;

void SampleTaskWriter::Write(const SampleTaskPlan& plan)
{
    const std::string name = SeedItemName("task", plan.subject);
    ComRef<IDispatch> created;
    CheckSeedResult(m_outlook.CreateItem(olTaskItem, created.Put()), "create " + name);
    ComRef<ITask> task = ComRef<ITask>::Query(created.Get());
    if (!task) CheckSeedResult(E_NOINTERFACE, "create " + name);

    CheckSeedResult(task->put_Subject(OwnedBstr(plan.subject)), "set the subject of " + name);
    if (!plan.categories.empty()) {
        CheckSeedResult(task->put_Categories(OwnedBstr(plan.categories)), "set the categories of " + name);
    }
    if (!plan.body.empty()) CheckSeedResult(task->put_Body(OwnedBstr(plan.body)), "set the note of " + name);
    if (plan.start != kNoOleDate) CheckSeedResult(task->put_StartDate(plan.start), "set the start of " + name);
    if (plan.due != kNoOleDate) CheckSeedResult(task->put_DueDate(plan.due), "set the due date of " + name);
    CheckSeedResult(task->put_Importance(plan.importance), "set the importance of " + name);
    if (plan.isPrivate) CheckSeedResult(task->put_Sensitivity(olPrivate), "make " + name + " private");
    if (plan.reminder != kNoOleDate) {
        CheckSeedResult(task->put_ReminderSet(VARIANT_TRUE), "set the reminder of " + name);
        CheckSeedResult(task->put_ReminderTime(plan.reminder), "set the reminder of " + name);
    }
    if (plan.pattern) {
        ComRef<IRecurrencePattern> pattern;
        CheckSeedResult(task->GetRecurrencePattern(pattern.Put()), "make " + name + " recurring");
        SamplePatternWriter::Write(pattern.Get(), *plan.pattern, name);
    }
    if (plan.complete) {
        CheckSeedResult(task->put_Complete(VARIANT_TRUE), "complete " + name);
        CheckSeedResult(task->put_DateCompleted(plan.completed), "complete " + name);
    }
    CheckSeedResult(task->Save(), "save " + name);
}

}  // namespace kstools
