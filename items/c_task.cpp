// CTask: loading, saving, creating and deleting; the subject's code and the
// fields the editor changes.
#include "items/c_task.h"

#include <cmath>
#include <cwctype>

#include "categories/c_full_category.h"
#include "categories/category_text.h"
#include "engine/task_subject_prefix.h"
#include "engine/tasks_view_settings.h"
#include "foundation/ce_string.h"
#include "items/c_journal.h"
#include "items/c_links.h"
#include "items/c_task_settings.h"
#include "items/item_bstr.h"
#include "items/pass_key.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/time/clock.h"
#include "platform/time/variant_time.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"

using item_text::Get;
using item_text::Put;

namespace {

constexpr UINT kSubjectTooLongString = 40468;
constexpr size_t kMaxSubjectChars = 1000;
constexpr std::u16string_view kTemplateMark = u"[TEMPLATE:";

}  // namespace

namespace task_item {

void ShowString(UINT id, UINT icon)
{
    CeString text;
    text.LoadStringW(id);
    MessageBoxW(nullptr, text, nullptr, MB_OK | icon);
}

double Now()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    DATE date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

std::u16string Decimal(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace task_item

using task_item::ShowString;
using task_item::IsNoDate;

CTask::CTask() = default;

CTask::CTask(const CTask& other) { CopyFields(other); }

CTask& CTask::operator=(const CTask& other)
{
    if (this != &other) CopyFields(other);
    return *this;
}

CTask::~CTask() = default;

void CTask::CopyFields(const CTask& other)
{
    m_oid = other.m_oid;
    m_item = platform::ComRef<ITask>::Share(other.m_item.Get());
    m_subject = other.m_subject;
    m_categories = other.m_categories;
    m_body = other.m_body;
    m_letter = other.m_letter;
    m_number = other.m_number;
    m_templateName = other.m_templateName;
    m_start = other.m_start;
    m_due = other.m_due;
    m_loadedStart = other.m_loadedStart;
    m_loadedDue = other.m_loadedDue;
    m_reminderSet = other.m_reminderSet;
    m_reminderTime = other.m_reminderTime;
    m_complete = other.m_complete;
    m_percentage = other.m_percentage;
    m_importance = other.m_importance;
    m_sensitivity = other.m_sensitivity;
    m_recurrence = other.m_recurrence;
    m_recurrenceChanged = other.m_recurrenceChanged;
    m_regenerateDays = other.m_regenerateDays;
    m_order = other.m_order;
    m_orderHalf = other.m_orderHalf;
    m_new = other.m_new;
}

void CTask::Clear()
{
    const CTask empty;
    CopyFields(empty);
}

// ---- The subject's code ----

bool CTask::ParseExtraFromSubject(WCHAR*& subject, WCHAR* letter, WCHAR* number, int& days)
{
    return TaskSubjectPrefix::Parse(subject, letter, number, days);
}

std::u16string CTask::ComposeSubject(std::u16string_view letter, std::u16string_view number, int days,
                                     std::u16string_view subject, bool padNumber)
{
    std::u16string code(letter);
    if (number.size() == 1 && padNumber) code += u'0';
    code += number;
    if (days > 0) code += u'|' + task_item::Decimal(days);
    if (code.empty()) return std::u16string(subject);
    return code + u": " + std::u16string(subject);
}

bool CTask::SetPriority(std::u16string_view letter, std::u16string_view number)
{
    const auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (letter.size() > 1 || (letter.size() == 1 && !std::iswalpha(static_cast<wint_t>(letter[0])))) return false;
    if (number.size() > 2) return false;
    for (char16_t c : number)
        if (!digit(c)) return false;
    // "07" and "7" are one number; the stored form pads it as the settings ask.
    if (number.size() == 2 && number[0] == u'0') number.remove_prefix(1);
    m_letter = letter;
    m_number = number;
    return true;
}

std::u16string CTask::StoredSubject() const
{
    int letters = 0, limited = 0, maxNumber = 0;
    const bool pad = TaskSetting(u"bPriorityPadding", 1) != 0 && !IsFranklinCoveyMode(letters, limited, maxNumber);
    std::u16string subject = ComposeSubject(m_letter, m_number, m_regenerateDays, m_subject, pad);
    if (!m_templateName.empty()) subject = std::u16string(kTemplateMark) + m_templateName + u"]" + subject;
    return subject;
}

void CTask::SplitTemplate(std::u16string& subject)
{
    m_templateName.clear();
    if (std::fabs(m_due - kTaskTemplateDue) > 0.5 || subject.compare(0, kTemplateMark.size(), kTemplateMark) != 0)
        return;
    const size_t close = subject.find(u']', kTemplateMark.size());
    // "[TEMPLATE:name" without its ']' is no template subject: kept as it is.
    if (close == std::u16string::npos) return;
    m_templateName = subject.substr(kTemplateMark.size(), close - kTemplateMark.size());
    subject.erase(0, close + 1);
}

// ---- Loading ----

bool CTask::ReadOID(long oid)
{
    m_item.Reset();
    m_oid = 0;
    if (oid == 0) return false;
    platform::ComRef<IDispatch> found;
    if (FAILED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put()))) return false;
    m_item = platform::ComRef<ITask>::Query(found.Get());
    if (!m_item) return false;
    m_oid = oid;
    m_new = false;
    VARIANT_BOOL recurring = VARIANT_FALSE;
    m_item->get_IsRecurring(&recurring);
    if (!recurring) m_recurrence = TaskRecurrence{};
    return true;
}

bool CTask::LoadData(bool quick)
{
    if (!m_item) {
        ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    ITask* item = m_item.Get();
    item->get_StartDate(&m_start);
    item->get_DueDate(&m_due);
    m_loadedStart = m_start;
    m_loadedDue = m_due;
    VARIANT_BOOL complete = VARIANT_FALSE;
    item->get_Complete(&complete);
    m_complete = complete != VARIANT_FALSE;
    std::u16string subject = Get(item, &ITask::get_Subject);
    m_categories = Get(item, &ITask::get_Categories);
    m_recurrenceChanged = false;
    if (m_new) {
        m_importance = olImportanceNormal;
        m_sensitivity = olNormal;
        m_recurrence = TaskRecurrence{};
        m_reminderSet = false;
        m_reminderTime = kNoOleDate;
        const int minutes = TaskSetting(u"ReminderDefaultTime", static_cast<int>(kNoOleDate));
        if (minutes >= 0 && minutes < static_cast<int>(kNoOleDate)) {
            const double today = platform::TodayOleDate();
            double day = kNoOleDate;
            if (IsNoDate(m_due)) {
                SYSTEMTIME now{};
                GetLocalTime(&now);
                // The reminder's time of day to the minute: 10:30 is still to come at 10:00.
                day = now.wHour * 60 + now.wMinute >= minutes ? today + 1 : today;
                m_due = day;
            } else if (std::floor(m_due) > today) {
                day = std::floor(m_due);
            }
            if (!IsNoDate(day)) {
                m_reminderSet = true;
                m_reminderTime = day + minutes / 1440.0;
            }
        }
    } else {
        SplitTemplate(subject);
        ReadRecurrence();
        HasNotification();
    }
    std::u16string buffer = subject;
    WCHAR* text = buffer.data();
    WCHAR letter[kTaskPrefixBufferChars] = {};
    WCHAR number[kTaskPrefixBufferChars] = {};
    int days = 0;
    ParseExtraFromSubject(text, letter, number, days);
    m_subject = text;
    m_letter = letter;
    m_number = number;
    m_regenerateDays = days;
    m_percentage = m_new ? 0 : GetCompletionPercentage();
    if (!quick) {
        item->get_Sensitivity(&m_sensitivity);
        item->get_Importance(&m_importance);
        m_body = Get(item, &ITask::get_Body);
    }
    return true;
}

void CTask::ReadRecurrence()
{
    m_recurrence = TaskRecurrence{};
    VARIANT_BOOL recurring = VARIANT_FALSE;
    if (FAILED(m_item->get_IsRecurring(&recurring)) || !recurring) return;
    platform::ComRef<IRecurrencePattern> pattern;
    if (FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern) return;
    m_recurrence = ReadItemRecurrence(pattern.Get());
}

bool CTask::WriteRecurrence()
{
    if (!m_recurrenceChanged) return true;
    if (m_recurrence.type < 0) return SUCCEEDED(m_item->ClearRecurrencePattern());
    platform::ComRef<IRecurrencePattern> pattern;
    if (FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern) return false;
    const TaskRecurrence& r = m_recurrence;
    pattern->put_RecurrenceType(StoredRecurrenceType(r));
    if (!IsNoDate(r.patternStart)) pattern->put_PatternStartDate(r.patternStart);
    WriteRecurrenceRule(pattern.Get(), r);
    if (r.noEnd) {
        pattern->put_NoEndDate(VARIANT_TRUE);
    } else if (r.occurrences > 0) {
        pattern->put_Occurrences(r.occurrences);
    } else if (!IsNoDate(r.patternEnd)) {
        pattern->put_PatternEndDate(r.patternEnd);
    } else {
        pattern->put_NoEndDate(VARIANT_TRUE);
    }
    return true;
}

// ---- Saving ----

bool CTask::Save()
{
    int flags = kTaskSaveReminder | kTaskSaveCategories | kTaskSavePercentage;
    if (m_order != 0 || m_orderHalf) flags |= kTaskSaveOrder;
    return SaveWith(flags);
}

bool CTask::SaveWith(int flags)
{
    if (!m_item && m_oid) ReadOID(m_oid);
    if (!m_item) {
        ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    ITask* item = m_item.Get();
    Put(item, &ITask::put_Subject, StoredSubject());

    if (!IsOutlookCompatible() && IsNoDate(m_start) && !IsNoDate(m_due)) m_start = m_due;
    // Both dates go in before either is checked against the other.
    const double start = IsNoDate(m_start) ? kNoOleDate : std::floor(m_start);
    const double due = IsNoDate(m_due) ? kNoOleDate : std::floor(m_due);
    item->put_StartDate(kNoOleDate);
    item->put_DueDate(due);
    item->put_StartDate(start);
    const bool datesChanged = std::fabs(start - std::floor(m_loadedStart)) > 0.5 ||
                              std::fabs(due - std::floor(m_loadedDue)) > 0.5;

    if (IsNoDate(m_due)) m_reminderSet = false;
    Put(item, &ITask::put_Categories, m_categories);
    item->put_Sensitivity(m_sensitivity);
    item->put_Importance(m_importance);
    Put(item, &ITask::put_Body, m_body);
    item->put_Complete(m_complete ? VARIANT_TRUE : VARIANT_FALSE);
    item->put_ReminderSet(m_reminderSet ? VARIANT_TRUE : VARIANT_FALSE);
    WriteRecurrence();
    if (!m_reminderSet && m_oid) DeleteNotification();

    const HRESULT hr = item->Save();
    if (FAILED(hr)) {
        DisplayTaskSaveError(hr);
        return false;
    }
    LONG oid = 0;
    item->get_Oid(&oid);
    const bool created = m_oid == 0 || m_new;
    m_oid = oid;
    m_recurrenceChanged = false;
    CustomDatabaseSave(flags);
    if (created) {
        Journal(u"NewTask", kJournalTaskString);
        m_new = false;
    } else if (datesChanged) {
        Journal(u"UpdateTaskDate", kJournalTaskString);
    }
    m_loadedStart = start;
    m_loadedDue = due;
    return true;
}

bool CTask::DisplayTaskSaveError(long hr) { return COutlook::DisplayPIMSaveError(hr); }

void CTask::Journal(const WCHAR* action, UINT stringId, const WCHAR* extra) const
{
    if (m_oid) CJournal::AutoJournal(action, stringId, static_cast<CEOID>(m_oid), m_subject.c_str(), extra);
}

// ---- Creating and deleting ----

bool CTask::Create(double date, const WCHAR* subject, CePtrList<CFullCategory*>* categories, bool noCategories)
{
    POOMCREATEITEM request;
    request.date = date;
    request.subject = subject;
    request.categories = categories;
    request.noCategories = noCategories;
    request.noEditor = true;
    return Create(&request);
}

bool CTask::Create(const POOMCREATEITEM* request)
{
    Clear();
    platform::ComRef<IDispatch> created;
    if (FAILED(COutlook::GetOutlookObject().CreateItem(olTaskItem, created.Put()))) return false;
    m_item = platform::ComRef<ITask>::Query(created.Get());
    if (!m_item) return false;
    m_new = true;
    const POOMCREATEITEM none;
    const POOMCREATEITEM& r = request ? *request : none;

    if (r.categories && !r.noCategories && (r.demandCategories || SuiteSetting(u"bUseCatOnNew", 1))) {
        Put(m_item.Get(), &ITask::put_Categories, CategoryTextOf(*r.categories));
    }
    if (!IsNoDate(r.date)) {
        const double day = std::floor(r.date);
        m_item->put_DueDate(day);
        if (!IsOutlookCompatible()) m_item->put_StartDate(day);
    }
    if (r.subject) {
        std::u16string subject(r.subject);
        if (subject.size() > kMaxSubjectChars) {
            ShowString(kSubjectTooLongString, MB_ICONEXCLAMATION);
            subject.resize(kMaxSubjectChars);
        }
        Put(m_item.Get(), &ITask::put_Subject, subject);
    }
    if (r.order != 0) SetOrder(std::floor(r.order), r.order != std::floor(r.order));
    // The editor has no window here: the caller edits through the setters
    // and saves, which writes the "NewTask" journal entry.
    return LoadData(false);
}

bool CTask::Delete(bool ask)
{
    if (!m_item && m_oid) ReadOID(m_oid);
    if (!m_item) {
        ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    if (ask) {
        CeString text;
        text.LoadStringW(kDeleteTaskString);
        if (MessageBoxW(nullptr, text, nullptr, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return false;
    }
    if (m_oid) DeleteNotification();
    const HRESULT hr = m_item->Delete();
    if (FAILED(hr)) {
        DisplayTaskSaveError(hr);
        return false;
    }
    if (m_oid) CLinks::DeleteLinksOfItem(m_oid);
    m_item.Reset();
    m_oid = 0;
    return true;
}

// ---- Fields ----

void CTask::SetReminder(double time)
{
    m_reminderSet = !IsNoDate(time);
    m_reminderTime = m_reminderSet ? time : kNoOleDate;
}

bool CTask::SetPercentage(int percentage)
{
    if (percentage < 0 || percentage > 101) return false;
    m_percentage = percentage;
    return true;
}

void CTask::SetRecurrence(const TaskRecurrence& pattern)
{
    m_recurrence = pattern;
    if (m_recurrence.type < 0) m_recurrence = TaskRecurrence{};
    m_recurrenceChanged = true;
}

void CTask::SetOrder(double order, bool half)
{
    m_order = order;
    m_orderHalf = half;
}

bool CTask::SetPrivacy(LONG sensitivity)
{
    (void)sensitivity;
    if (!m_item) {
        ShowString(kTaskNotLoadedString, MB_ICONERROR);
        return false;
    }
    if (m_sensitivity != olNormal) {
        if (!CPassKey::CheckPass()) return false;
        m_sensitivity = olNormal;
    } else {
        m_sensitivity = olPrivate;
    }
    return SaveWith(kTaskSaveCategories | kTaskSavePercentage);
}

bool CTask::IsOutlookCompatible()
{
    if (TaskSetting(u"bAlwaysStartIfDue", 0)) return false;
    platform::ComRef<IFolder> folder;
    if (FAILED(COutlook::GetOutlookObject().GetDefaultFolder(olFolderTasks, folder.Put())) || !folder) return true;
    platform::ComRef<IPOutlookApp> app;
    VARIANT_BOOL compatible = VARIANT_TRUE;
    if (SUCCEEDED(folder->get_Application(app.Put())) && app) app->get_OutlookCompatible(&compatible);
    return compatible != VARIANT_FALSE;
}

bool CTask::IsFranklinCoveyMode(int& letters, int& limited, int& maxNumber)
{
    const int filter = TaskSetting(u"TV_FilterData", 42250);
    limited = TaskSetting(u"bPrioritiesLimited", 0) ? 1 : 0;
    if (filter >= 42260 && filter <= 42262) {
        letters = 3;
        maxNumber = 99;
        return true;
    }
    letters = limited ? 4 : 26;
    maxNumber = limited ? 4 : 99;
    return false;
}

TASK_STATUS CTask::PercentageToStatus(unsigned short percentage)
{
    if (percentage == 100) return TASK_STATUS_COMPLETE;
    if (percentage == 0) return TASK_STATUS_NOT_STARTED;
    if (percentage == 101) return TASK_STATUS_WAITING;
    if (percentage < 100) return TASK_STATUS_IN_PROGRESS;
    return TASK_STATUS_NONE;
}
