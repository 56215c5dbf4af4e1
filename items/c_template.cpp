// CTemplate: listing templates, the subject convention, items from templates.
#include "items/c_template.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

#include "foundation/ce_ptr_list.h"
#include "foundation/ce_string.h"
#include "items/c_links.h"
#include "items/c_task.h"
#include "items/item_bstr.h"
#include "platform/locale/compare_string.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"
#include "platform/time/variant_time.h"
#include "storage/c_outlook.h"
#include "storage/c_registry.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

using item_text::Get;
using item_text::Put;

namespace {

constexpr std::u16string_view kMark = u"[TEMPLATE:";
// Subjects are read into a buffer of this many characters.
constexpr size_t kSubjectChars = 8192;

bool IsTemplateSubject(const WCHAR* subject)
{
    return subject && std::u16string_view(subject).substr(0, kMark.size()) == kMark;
}

// The name of a stored subject; the whole subject when it has no name.
std::u16string NameOf(std::u16string subject)
{
    if (subject.size() >= kSubjectChars) subject.resize(kSubjectChars - 1);
    CTemplate::GetTemplateName(subject.data());
    subject.resize(wcslen(subject.c_str()));
    return subject;
}

std::u16string SubjectOf(std::u16string subject)
{
    CTemplate::GetTemplateSubject(subject.data());
    subject.resize(wcslen(subject.c_str()));
    return subject;
}

bool FileTimeToDate(const FILETIME& time, double& date)
{
    SYSTEMTIME st{};
    return FileTimeToSystemTime(&time, &st) && SystemTimeToVariantTime(&st, &date);
}

bool IsNoDate(double date) { return std::fabs(date - kNoOleDate) < 0.5; }

}  // namespace

// ---- The subject convention ----

void CTemplate::GetTemplateName(WCHAR* subject)
{
    if (!IsTemplateSubject(subject)) return;
    const WCHAR* name = subject + kMark.size();
    const WCHAR* close = name;
    while (*close && *close != u']') ++close;
    if (!*close) return;  // no ']': not a template subject
    const size_t length = static_cast<size_t>(close - name);
    std::copy(name, close, subject);
    subject[length] = 0;
}

void CTemplate::GetTemplateSubject(WCHAR* subject)
{
    if (!IsTemplateSubject(subject)) return;
    const WCHAR* close = subject + kMark.size();
    while (*close && *close != u']') ++close;
    if (!*close) return;
    const WCHAR* rest = close + 1;
    const size_t length = wcslen(rest);
    std::copy(rest, rest + length + 1, subject);
}

WCHAR* CTemplate::MakeTemplate(const WCHAR* name, const WCHAR* subject)
{
    std::u16string text(kMark);
    if (name) text += name;
    text += u']';
    if (subject) text += subject;
    return _wcsdup(text.c_str());
}

int CTemplate::SortFunction(const TemplateEntry* a, const TemplateEntry* b)
{
    if (!a || !b || a->name.empty() || b->name.empty()) return 0;
    return lstrcmpW(a->name.c_str(), b->name.c_str());
}

// ---- Listing ----

int CTemplate::TemplateList(int kind)
{
    m_entries.clear();
    m_loaded = false;
    switch (kind) {
        case kTemplateCompany: ListCompanies(); break;
        case kTemplateAppointment: ListAppointments(); break;
        case kTemplateTask: ListTasks(); break;
        default: return -1;
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const TemplateEntry& a, const TemplateEntry& b) { return SortFunction(&a, &b) < 0; });
    m_loaded = true;
    return kind == kTemplateCompany ? 0 : static_cast<int>(m_entries.size());
}

void CTemplate::ListCompanies()
{
    CRegistry file(REGISTRY_TYPE_FILE, kCompanyTemplatesFile);
    std::unique_ptr<CeStrList<WCHAR*>> sections(file.SubKeyNames());
    if (!sections) return;
    const std::u16string_view parent = u"\\CompanyTemplates";
    for (int i = 0; i < sections->GetCount(); ++i) {
        std::u16string_view section = sections->GetAt(i);
        if (section.ends_with(parent)) continue;  // the key that holds the templates
        const size_t slash = section.find_last_of(u'\\');
        const std::u16string_view name = slash == std::u16string_view::npos ? section : section.substr(slash + 1);
        if (!name.empty()) m_entries.push_back(TemplateEntry{std::u16string(name), 0});
    }
}

void CTemplate::ListAppointments()
{
    CeDb db;
    if (!db.Open(kAppointmentsDatabase, kAppointmentStart, 0, nullptr)) return;
    // Starts are stored in UTC; the day begins at local midnight.
    const std::optional<std::int64_t> local = platform::OleDateToMinutes(kAppointmentTemplateAfter);
    if (!local) return;
    const std::uint64_t after = platform::MinutesToFileTimeValue(platform::DeviceLocalToUtcMinutes(*local));
    CEPROPVAL seek{};
    seek.propid = kAppointmentStart;
    seek.val.filetime.dwLowDateTime = static_cast<DWORD>(after);
    seek.val.filetime.dwHighDateTime = static_cast<DWORD>(after >> 32);
    CEPROPID ids[1] = {kAppointmentSubject};
    for (CEOID oid = db.SeekGreaterRec(&seek); oid; oid = db.SeekNext()) {
        CeDbRecord record;
        if (!db.ReadRec(record, 1, ids)) continue;
        CeString subject;
        record.GetIndexVal(record.FindProp(kAppointmentSubject), subject);
        m_entries.push_back(TemplateEntry{NameOf(static_cast<const WCHAR*>(subject)), static_cast<long>(oid)});
    }
}

void CTemplate::ListTasks()
{
    CeDb db;
    if (!db.Open(kTasksDatabase, 0, 0, nullptr)) return;
    CEPROPID ids[2] = {kTaskDueDate, kTaskSubject};
    for (CEOID oid = db.SeekFirst(); oid; oid = db.SeekNext()) {
        CeDbRecord record;
        if (!db.ReadRec(record, 2, ids)) continue;
        FILETIME dueTime{};
        double due = 0;
        if (!record.GetIndexVal(record.FindProp(kTaskDueDate, 0), dueTime) || !FileTimeToDate(dueTime, due) ||
            due != kTaskTemplateDue)
            continue;
        CeString subject;
        record.GetIndexVal(record.FindProp(kTaskSubject, 1), subject);
        m_entries.push_back(TemplateEntry{NameOf(static_cast<const WCHAR*>(subject)), static_cast<long>(record.GetOid())});
    }
}

// ---- Items from templates ----

long CTemplate::NewTaskFromTemplate(long oid, double due)
{
    CTask source;
    if (COutlook::GetKSItemType(oid) != kKSItemTask || !source.ReadOID(oid) || !source.LoadData(false) ||
        source.TemplateName().empty())
        return 0;
    CTask made;
    if (!made.Create(due, source.Subject().c_str(), nullptr, true)) return 0;
    made.SetPriority(source.PriorityLetter(), source.PriorityNumber());
    made.SetRegenerateDays(source.RegenerateDays());
    made.SetCategories(source.Categories());
    made.SetBody(source.Body());
    made.SetImportance(source.Importance());
    if (!made.Save()) return 0;
    CLinks::Copy(made.Oid(), oid, true);
    return made.Oid();
}

long CTemplate::SaveAppointmentAsTemplate(long oid, const WCHAR* name)
{
    if (!name || !*name || COutlook::GetKSItemType(oid) != kKSItemAppointment) return 0;
    platform::ComRef<IDispatch> found;
    if (FAILED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put()))) return 0;
    auto source = platform::ComRef<IAppointment>::Query(found.Get());
    platform::ComRef<IAppointment> copy;
    if (!source || FAILED(source->Copy(copy.Put())) || !copy) return 0;
    DATE start = 0;
    LONG minutes = 0;
    source->get_Start(&start);
    source->get_Duration(&minutes);
    copy->ClearRecurrencePattern();
    const double timeOfDay = start - std::floor(start);
    copy->put_Start(kAppointmentTemplateDay + timeOfDay);
    copy->put_Duration(minutes);
    copy->put_ReminderSet(VARIANT_FALSE);
    std::unique_ptr<WCHAR, decltype(&free)> subject(
        MakeTemplate(name, Get(source.Get(), &IAppointment::get_Subject).c_str()), &free);
    Put(copy.Get(), &IAppointment::put_Subject, subject.get());
    if (FAILED(copy->Save())) return 0;
    LONG made = 0;
    copy->get_Oid(&made);
    return made;
}

long CTemplate::NewAppointmentFromTemplate(long oid, double day)
{
    if (COutlook::GetKSItemType(oid) != kKSItemAppointment || IsNoDate(day)) return 0;
    platform::ComRef<IDispatch> found;
    if (FAILED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put()))) return 0;
    auto source = platform::ComRef<IAppointment>::Query(found.Get());
    if (!source) return 0;
    DATE start = 0;
    LONG minutes = 0;
    source->get_Start(&start);
    source->get_Duration(&minutes);
    const std::u16string stored = Get(source.Get(), &IAppointment::get_Subject);
    if (start <= kAppointmentTemplateAfter) return 0;
    platform::ComRef<IAppointment> copy;
    if (FAILED(source->Copy(copy.Put())) || !copy) return 0;
    copy->put_Start(std::floor(day) + (start - std::floor(start)));
    copy->put_Duration(minutes);
    Put(copy.Get(), &IAppointment::put_Subject, SubjectOf(stored));
    if (FAILED(copy->Save())) return 0;
    LONG made = 0;
    copy->get_Oid(&made);
    CLinks::Copy(made, oid, true);
    return made;
}

bool CTemplate::SaveCompanyTemplate(const WCHAR* name, const WCHAR* company)
{
    if (!name || !*name || std::u16string_view(name).find(u'\\') != std::u16string_view::npos) return false;
    CRegistry file(REGISTRY_TYPE_FILE, kCompanyTemplatesFile);
    const std::u16string key = std::u16string(kCompanyTemplatesKey) + u"\\" + name;
    if (file.OpenKey(HKEY_CURRENT_USER, key.c_str()) != 0) return false;
    if (file.SetValue(u"Company", company ? company : u"") != 0) return false;
    return file.SaveINIFile(1) == 0;
}
