// CTask::PriorityShift: renumbering the priorities of a grouped task list.
#include <algorithm>
#include <string>

#include "engine/data_tasks.h"
#include "engine/task_subject_prefix.h"
#include "foundation/ce_string.h"
#include "items/c_task.h"
#include "items/c_task_settings.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/ui/ui_host.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

namespace {

// The longest subject the renumbering writes.
constexpr size_t kMaxStoredSubject = 4047;

// The stored subject's regeneration days and its text after the code.
bool ReadStoredSubject(CeDb& db, CEOID oid, int& days, std::u16string& plain)
{
    if (db.SeekTo(oid) != oid) return false;
    CeDbRecord record;
    ULONG id = kTaskSubject;
    if (!db.ReadRec(record, 1, &id)) return false;
    CeString text;
    if (!record.GetIndexVal(0, text)) return false;
    std::u16string subject(static_cast<const WCHAR*>(text));
    WCHAR* rest = subject.data();
    WCHAR letter[kTaskPrefixBufferChars] = {}, number[kTaskPrefixBufferChars] = {};
    days = 0;
    TaskSubjectPrefix::Parse(rest, letter, number, days);
    plain = rest;
    return true;
}

}  // namespace

int CTask::PriorityShift(CePtrList<DATATASKS*>& list)
{
    const bool numbers = TaskSetting(u"bPrioritizeNumbers", 1) != 0;
    if (numbers) {
        CeString question;
        question.LoadStringW(kRePrioritizeString);
        if (MessageBoxW(nullptr, question, nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES) return -1;
    }
    int letters = 0, limited = 0, maxNumber = 0;
    const bool pad = TaskSetting(u"bPriorityPadding", 1) != 0 && !IsFranklinCoveyMode(letters, limited, maxNumber);
    CeDb db;
    if (!db.Open(kTasksDatabase, kTaskSubject, 0, nullptr)) return -1;

    int renumbered = 0;
    WCHAR letter = 0;
    int next = 1;
    for (DATATASKS* row : list) {
        if (!row) continue;
        if (row->IsHeader()) {
            letter = row->priorityLetter[0];
            next = 1;
            continue;
        }
        if (!letter) continue;
        int days = 0;
        std::u16string plain;
        if (!ReadStoredSubject(db, row->oid, days, plain)) continue;
        const int number = next++;
        // A code holds two digits at most: the hundredth task on keeps only the letter.
        const std::u16string digits = numbers && number <= 99 ? task_item::Decimal(number) : std::u16string();
        std::u16string stored = ComposeSubject(std::u16string(1, letter), digits, days, plain, pad);
        if (stored.size() > kMaxStoredSubject) stored.resize(kMaxStoredSubject);
        CEPROPVAL prop{kTaskSubject, 0, 0, {}};
        prop.val.lpwstr = stored.data();
        if (CeWriteRecordProps(db.GetHandle(), row->oid, 1, &prop) != row->oid) continue;
        ++renumbered;
        row->priorityLetter[0] = letter;
        row->priorityLetter[1] = 0;
        // The row keeps the number as the loader reads it: without the padding.
        std::fill(std::begin(row->priorityNumber), std::end(row->priorityNumber), 0);
        std::copy_n(digits.begin(), std::min<size_t>(digits.size(), kTaskPriorityChars - 1), row->priorityNumber);
    }
    return renumbered;
}
