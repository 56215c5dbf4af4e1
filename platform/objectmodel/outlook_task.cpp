// Sections: Life; Stored dates; Properties; Recurrence; Checking and saving; Copies and identity.

#include "platform/objectmodel/outlook_task.h"

#include <cmath>

#include "platform/objectmodel/outlook_bstr.h"
#include "platform/objectmodel/outlook_category_text.h"
#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/outlook_item_factory.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectmodel/outlook_note.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "platform/recurrence/recurrence_dates.h"

using namespace platform;

namespace {

// Stored importance: 1 high, 2 normal, 3 low.
LONG StoredImportance(LONG importance) { return 3 - importance; }
LONG ImportanceFromStored(std::optional<LONG> stored)
{
    if (stored == 1) return olImportanceHigh;
    if (stored == 3) return olImportanceLow;
    return olImportanceNormal;
}

HRESULT RuleResult(RecurrenceRuleField field)
{
    switch (field) {
        case RecurrenceRuleField::kNone:
            return S_OK;
        case RecurrenceRuleField::kPatternStartDay:
        case RecurrenceRuleField::kPatternEndDay:
            return E_INVALIDDATES;
        default:
            return E_INVALIDRECURRENCE;
    }
}

}  // namespace

// ---- Life ----

HRESULT MakeOutlookTask(IPOutlookApp* app, OutlookItemRecord record, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = new OutlookTask(app, std::move(record));
    return S_OK;
}

OutlookTask::OutlookTask(IPOutlookApp* app, OutlookItemRecord record)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), record_(std::move(record))
{
    if (std::optional<std::vector<BYTE>> blob = record_.Blob(kTaskRecurrencePattern))
        recurrence_ = OutlookRecurrenceState::FromBlob(*blob);
    if (record_.IsNew() && !record_.Has(kTaskImportance))
        record_.SetLong(kTaskImportance, StoredImportance(olImportanceNormal));
}

// ---- Stored dates ----

DATE OutlookTask::ReadDate(CEPROPID id) const
{
    const std::optional<FILETIME> stored = record_.FileTime(id);
    if (!stored) return kNoOleDate;
    return OutlookDateFromFileTime(*stored).value_or(kNoOleDate);
}

HRESULT OutlookTask::WriteDate(CEPROPID id, DATE date)
{
    if (std::isnan(date)) return E_INVALIDARG;
    if (IsOutlookDateNone(date)) {
        record_.Remove(id);
        return S_OK;
    }
    // Task dates are whole days.
    const std::optional<FILETIME> stored = OutlookDateToFileTime(std::floor(date));
    if (!stored) return E_INVALIDARG;
    record_.SetFileTime(id, *stored);
    return S_OK;
}

std::optional<RecurrenceDay> OutlookTask::AnchorDay() const
{
    DATE anchor = ReadDate(kTaskStartDate);
    if (IsOutlookDateNone(anchor)) anchor = ReadDate(kTaskDueDate);
    if (IsOutlookDateNone(anchor)) return std::nullopt;
    return OleDateToRecurrenceDay(anchor);
}

HRESULT OutlookTask::get_Subject(BSTR* subject) { return OutlookBstrOut(record_.StringOrEmpty(kTaskSubject), subject); }

// ---- Properties ----

HRESULT OutlookTask::put_Subject(BSTR subject)
{
    record_.SetString(kTaskSubject, OutlookBstrText(subject));
    return S_OK;
}

HRESULT OutlookTask::get_Categories(BSTR* categories)
{
    return OutlookBstrOut(categories_ ? *categories_ : OutlookCategoryText::Read(record_), categories);
}

HRESULT OutlookTask::put_Categories(BSTR categories)
{
    categories_ = OutlookBstrText(categories);
    return S_OK;
}

HRESULT OutlookTask::get_StartDate(DATE* date)
{
    if (!date) return E_POINTER;
    *date = ReadDate(kTaskStartDate);
    return S_OK;
}

HRESULT OutlookTask::put_StartDate(DATE date) { return WriteDate(kTaskStartDate, date); }

HRESULT OutlookTask::get_DueDate(DATE* date)
{
    if (!date) return E_POINTER;
    *date = ReadDate(kTaskDueDate);
    return S_OK;
}

HRESULT OutlookTask::put_DueDate(DATE date) { return WriteDate(kTaskDueDate, date); }

HRESULT OutlookTask::get_DateCompleted(DATE* date)
{
    if (!date) return E_POINTER;
    *date = ReadDate(kTaskDateCompleted);
    return S_OK;
}

HRESULT OutlookTask::put_DateCompleted(DATE date) { return WriteDate(kTaskDateCompleted, date); }

HRESULT OutlookTask::get_Importance(LONG* importance)
{
    if (!importance) return E_POINTER;
    *importance = ImportanceFromStored(record_.Long(kTaskImportance));
    return S_OK;
}

HRESULT OutlookTask::put_Importance(LONG importance)
{
    if (importance < olImportanceLow || importance > olImportanceHigh) return E_INVALIDARG;
    record_.SetLong(kTaskImportance, StoredImportance(importance));
    return S_OK;
}

HRESULT OutlookTask::get_Sensitivity(LONG* sensitivity)
{
    if (!sensitivity) return E_POINTER;
    *sensitivity = record_.LongOr(kTaskSensitivity, 0) ? olPrivate : olNormal;
    return S_OK;
}

HRESULT OutlookTask::put_Sensitivity(LONG sensitivity)
{
    if (sensitivity != olNormal && sensitivity != olPrivate) return E_INVALIDARG;
    record_.SetLong(kTaskSensitivity, sensitivity);
    return S_OK;
}

HRESULT OutlookTask::get_Complete(VARIANT_BOOL* complete)
{
    if (!complete) return E_POINTER;
    *complete = record_.LongOr(kTaskComplete, 0) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookTask::put_Complete(VARIANT_BOOL complete)
{
    record_.SetLong(kTaskComplete, complete ? 1 : 0);
    return S_OK;
}

HRESULT OutlookTask::get_ReminderSet(VARIANT_BOOL* set)
{
    if (!set) return E_POINTER;
    *set = record_.LongOr(kTaskReminderSet, 0) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookTask::put_ReminderSet(VARIANT_BOOL set)
{
    record_.SetLong(kTaskReminderSet, set ? 1 : 0);
    return S_OK;
}

HRESULT OutlookTask::get_ReminderTime(DATE* time)
{
    if (!time) return E_POINTER;
    const std::optional<FILETIME> stored = record_.FileTime(kTaskReminderTime);
    *time = stored ? OutlookDateFromFileTime(*stored).value_or(kNoOleDate) : kNoOleDate;
    return S_OK;
}

HRESULT OutlookTask::put_ReminderTime(DATE time)
{
    if (std::isnan(time)) return E_INVALIDARG;
    if (IsOutlookDateNone(time)) {
        record_.Remove(kTaskReminderTime);
        return S_OK;
    }
    const std::optional<FILETIME> stored = OutlookDateToFileTime(time);
    if (!stored) return E_INVALIDARG;
    record_.SetFileTime(kTaskReminderTime, *stored);
    return S_OK;
}

HRESULT OutlookTask::get_ReminderOptions(LONG* options)
{
    if (!options) return E_POINTER;
    *options = record_.LongOr(kTaskReminderOptions, 0);
    return S_OK;
}

HRESULT OutlookTask::put_ReminderOptions(LONG options)
{
    if (options & ~(olLED | olVibrate | olDialog | olSound | olRepeat)) return E_INVALIDARG;
    record_.SetLong(kTaskReminderOptions, options);
    return S_OK;
}

HRESULT OutlookTask::get_ReminderSoundFile(BSTR* path)
{
    return OutlookBstrOut(record_.StringOrEmpty(kTaskReminderSoundFile), path);
}

HRESULT OutlookTask::put_ReminderSoundFile(BSTR path)
{
    const std::u16string text = OutlookBstrText(path);
    if (text.empty())
        record_.Remove(kTaskReminderSoundFile);
    else
        record_.SetString(kTaskReminderSoundFile, text);
    return S_OK;
}

HRESULT OutlookTask::get_Body(BSTR* body)
{
    return OutlookBstrOut(OutlookNote::TextFromBlob(record_.Blob(kOutlookNoteProperty).value_or(std::vector<BYTE>{})),
                          body);
}

HRESULT OutlookTask::put_Body(BSTR body)
{
    std::vector<BYTE> blob = OutlookNote::BlobFromText(OutlookBstrText(body));
    if (blob.empty())
        record_.Remove(kOutlookNoteProperty);
    else
        record_.SetBlob(kOutlookNoteProperty, std::move(blob));
    return S_OK;
}

HRESULT OutlookTask::get_BodyInk(BSTR* body)
{
    if (!body) return E_POINTER;
    *body = OutlookNote::BstrFromBlob(record_.Blob(kOutlookNoteProperty).value_or(std::vector<BYTE>{}));
    return S_OK;
}

HRESULT OutlookTask::put_BodyInk(BSTR body)
{
    std::vector<BYTE> blob = OutlookNote::BlobFromBstr(body);
    if (blob.empty())
        record_.Remove(kOutlookNoteProperty);
    else
        record_.SetBlob(kOutlookNoteProperty, std::move(blob));
    return S_OK;
}

HRESULT OutlookTask::get_IsRecurring(VARIANT_BOOL* recurring)
{
    if (!recurring) return E_POINTER;
    *recurring = recurrence_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookTask::get_TeamTask(VARIANT_BOOL* team)
{
    if (!team) return E_POINTER;
    *team = record_.LongOr(kTaskTeamTask, 0) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookTask::put_TeamTask(VARIANT_BOOL team)
{
    record_.SetLong(kTaskTeamTask, team ? 1 : 0);
    return S_OK;
}

// ---- Recurrence ----

OutlookRecurrenceState& OutlookTask::Recurrence()
{
    if (!recurrence_) {
        OutlookRecurrenceState state;
        const RecurrenceDay today = OleDateToRecurrenceDay(TodayOleDate());
        state.rule = OutlookRecurrencePattern::DefaultRule(AnchorDay().value_or(today));
        recurrence_ = std::move(state);
    }
    return *recurrence_;
}

HRESULT OutlookTask::GetRecurrencePattern(IRecurrencePattern** pattern)
{
    if (!pattern) return E_POINTER;
    Recurrence();
    *pattern = new OutlookRecurrencePattern(this);
    return S_OK;
}

HRESULT OutlookTask::ClearRecurrencePattern()
{
    recurrence_.reset();
    recurrenceCleared_ = true;
    return S_OK;
}

// ---- Checking and saving ----

HRESULT OutlookTask::Check() const
{
    const DATE start = ReadDate(kTaskStartDate);
    const DATE due = ReadDate(kTaskDueDate);
    OutlookSaveCheck check;
    check.Text(record_.StringOrEmpty(kTaskSubject))
        .Date(start)
        .Date(due)
        .Date(ReadDate(kTaskDateCompleted))
        .Order(start, due);
    // A reminder needs a time to go off: its own or the due date's.
    if (record_.LongOr(kTaskReminderSet, 0)) {
        check.Require(record_.Has(kTaskReminderTime) || !IsOutlookDateNone(due), E_INVALIDREMINDERTIME);
    }
    if (recurrence_) {
        check.Require(!IsOutlookDateNone(start) || !IsOutlookDateNone(due), E_INVALIDDATES);
        const HRESULT rule = RuleResult(ValidateRecurrenceRule(recurrence_->rule));
        check.Require(SUCCEEDED(rule), rule);
        check.Require(FAILED(rule) || !recurrence_->ToBlob().empty(), E_INVALIDDATES);
    }
    return check.Result();
}

HRESULT OutlookTask::StageForSave()
{
    if (categories_) {
        const HRESULT hr = OutlookCategoryText::Store(record_, *categories_);
        if (FAILED(hr)) return hr;
    }
    if (recurrence_) {
        std::vector<BYTE> blob = recurrence_->ToBlob();
        if (record_.Blob(kTaskRecurrencePattern) != blob) record_.SetBlob(kTaskRecurrencePattern, std::move(blob));
        if (record_.Long(kTaskRecurring) != 1) record_.SetLong(kTaskRecurring, 1);
    } else if (recurrenceCleared_) {
        if (record_.Has(kTaskRecurrencePattern)) record_.Remove(kTaskRecurrencePattern);
        if (record_.Has(kTaskRecurring)) record_.Remove(kTaskRecurring);
    }
    if (record_.LongOr(kTaskComplete, 0)) {
        if (!record_.Has(kTaskDateCompleted)) WriteDate(kTaskDateCompleted, TodayOleDate());
    } else if (record_.Has(kTaskDateCompleted)) {
        record_.Remove(kTaskDateCompleted);
    }
    return S_OK;
}

bool OutlookTask::AdvanceToNextOccurrence()
{
    const std::optional<RecurrenceDay> anchor = AnchorDay();
    if (!recurrence_ || !anchor) return false;
    const std::optional<RecurrenceDay> next = RecurrenceDates(recurrence_->rule).Next(*anchor);
    if (!next) return false;
    const DATE shift = static_cast<DATE>(*next - *anchor);
    const DATE start = ReadDate(kTaskStartDate);
    const DATE due = ReadDate(kTaskDueDate);
    if (!IsOutlookDateNone(start)) WriteDate(kTaskStartDate, start + shift);
    if (!IsOutlookDateNone(due)) WriteDate(kTaskDueDate, due + shift);
    record_.SetLong(kTaskComplete, 0);
    if (record_.Has(kTaskDateCompleted)) record_.Remove(kTaskDateCompleted);
    return true;
}

HRESULT OutlookTask::SaveCompletedRecurrence()
{
    // The copy keeps everything of the finished occurrence but its
    // recurrence and its alarm.
    OutlookItemRecord copy = record_.CopyAsNew();
    copy.Remove(kTaskRecurrencePattern);
    copy.Remove(kTaskRecurring);
    copy.Remove(kTaskNotificationHandle);
    const OutlookItemRecord before = record_;
    if (!AdvanceToNextOccurrence()) {
        // The last occurrence is done: the task itself completes.
        if (record_.Has(kTaskRecurrencePattern)) record_.Remove(kTaskRecurrencePattern);
        if (record_.Has(kTaskRecurring)) record_.Remove(kTaskRecurring);
        const HRESULT hr = record_.Save();
        if (FAILED(hr))
            record_ = before;
        else
            recurrence_.reset();
        return hr;
    }
    HRESULT hr = copy.Save();
    if (FAILED(hr)) {
        record_ = before;
        return hr;
    }
    hr = record_.Save();
    if (FAILED(hr)) {
        copy.Delete();
        record_ = before;
    }
    return hr;
}

HRESULT OutlookTask::Save()
{
    HRESULT hr = Check();
    if (FAILED(hr)) return hr;
    const OutlookItemRecord before = record_;
    hr = StageForSave();
    if (SUCCEEDED(hr)) {
        if (recurrence_ && record_.LongOr(kTaskComplete, 0)) {
            hr = SaveCompletedRecurrence();
            if (SUCCEEDED(hr))
                categories_.reset();
            else
                record_ = before;
            return hr;
        }
        hr = record_.Save();
    }
    if (FAILED(hr)) {
        record_ = before;
        return hr;
    }
    categories_.reset();
    recurrenceCleared_ = false;
    return hr;
}

HRESULT OutlookTask::Delete() { return record_.Delete(); }

HRESULT OutlookTask::SkipRecurrence()
{
    if (!recurrence_) return E_FAIL;
    HRESULT hr = Check();
    if (FAILED(hr)) return hr;
    const OutlookItemRecord before = record_;
    if (!AdvanceToNextOccurrence()) return E_FAIL;
    hr = Save();
    if (FAILED(hr)) record_ = before;
    return hr;
}

// ---- Copies and identity ----

HRESULT OutlookTask::Copy(ITask** copy)
{
    if (!copy) return E_POINTER;
    OutlookTask* task = new OutlookTask(app_.Get(), record_.CopyAsNew());
    task->categories_ = categories_;
    task->recurrence_ = recurrence_;
    *copy = task;
    return S_OK;
}

HRESULT OutlookTask::Display() { return E_NOTIMPL; }

HRESULT OutlookTask::get_Oid(LONG* oid)
{
    if (!oid) return E_POINTER;
    *oid = static_cast<LONG>(record_.Oid());
    return S_OK;
}

HRESULT OutlookTask::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }
