// CTemplate: prepared items from which new items are made.
//
// Appointment and task templates are ordinary items whose subject is
// "[TEMPLATE:name]subject", parked far in the future so that no list shows
// them: appointments starting after 27 November 2999, tasks due on 31 December
// 2999 exactly. Company templates (for contacts) are the sections of the
// settings-format file "%s\Corvid\CompanyTemplates.reg".
//
// A CTemplate lists the templates of one kind sorted by name; the static
// members handle the subject convention and make items from templates.
#pragma once

#include <string>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

// Kinds of TemplateList (as the links' kinds).
inline constexpr int kTemplateCompany = 2;
inline constexpr int kTemplateAppointment = 3;
inline constexpr int kTemplateTask = 4;

// Appointments starting after this day (27 November 2999) are templates.
inline constexpr double kAppointmentTemplateAfter = 401734.0;
// Where a saved appointment template is parked (31 December 2999).
inline constexpr double kAppointmentTemplateDay = 401768.0;
// The settings file of the company templates.
inline constexpr const WCHAR* kCompanyTemplatesFile = u"%s\\Corvid\\CompanyTemplates.reg";
// The key under which company templates are saved in that file.
inline constexpr const WCHAR* kCompanyTemplatesKey = u"Software\\Corvid\\Kestrel\\CompanyTemplates";

struct TemplateEntry {
    std::u16string name;
    long oid = 0;  // 0 for company templates
};

class KSTOOLS_API CTemplate {
public:
    // Lists the templates of kind (kTemplate*), sorted by name. The number
    // found in the item stores; company templates are listed but not counted.
    // -1 for an unknown kind.
    int TemplateList(int kind);
    bool IsLoaded() const { return m_loaded; }
    const std::vector<TemplateEntry>& Entries() const { return m_entries; }

    // In place: the template name of a subject "[TEMPLATE:name]subject"; any
    // other subject (also one whose name has no closing ']') stays as it is.
    static void GetTemplateName(WCHAR* subject);
    // In place: the part after the first ']' of a template subject; any other
    // subject stays as it is.
    static void GetTemplateSubject(WCHAR* subject);
    // "[TEMPLATE:" name "]" subject, as a new string the caller frees with free.
    static WCHAR* MakeTemplate(const WCHAR* name, const WCHAR* subject);
    // lstrcmpW order of the names; 0 when either is missing.
    static int SortFunction(const TemplateEntry* a, const TemplateEntry* b);

    // A new task from task template oid, due on due (kNoOleDate: undated),
    // with the template's fields and links. Its OID; 0 when oid is no task
    // template or the task cannot be saved.
    static long NewTaskFromTemplate(long oid, double due);
    // A copy of appointment oid parked as template name. Its OID, 0 on failure.
    static long SaveAppointmentAsTemplate(long oid, const WCHAR* name);
    // A new appointment from appointment template oid on day (its time of
    // day and duration kept), with the template's links. Its OID; 0 when oid
    // is no appointment template or the appointment cannot be saved.
    static long NewAppointmentFromTemplate(long oid, double day);
    // Adds (or replaces) company template name with its company text.
    static bool SaveCompanyTemplate(const WCHAR* name, const WCHAR* company);

private:
    void ListAppointments();
    void ListTasks();
    void ListCompanies();

    std::vector<TemplateEntry> m_entries;
    bool m_loaded = false;
};
