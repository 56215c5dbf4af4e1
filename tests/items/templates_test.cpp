// Item templates: the subject convention, which parked items are listed, and items made from them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "items/c_links.h"
#include "items/c_task.h"
#include "items/c_template.h"
#include "storage/ce_db.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

TEST(TemplateSubjects, NameAndSubjectSplitAtTheFirstClosingBracket)
{
    struct Case {
        std::u16string stored, name, subject;
    } const cases[] = {
        {u"[TEMPLATE:Weekly]Team meeting", u"Weekly", u"Team meeting"},
        {u"Team meeting", u"Team meeting", u"Team meeting"},             // no prefix: unchanged
        {u"[TEMPLATE:a]b]c", u"a", u"b]c"},                              // the name ends at the first ']'
        {u"[TEMPLATE:Weekly Team meeting", u"[TEMPLATE:Weekly Team meeting", u"[TEMPLATE:Weekly Team meeting"},
        {u"[TEMPLATE:]Call", u"", u"Call"},
        {u"[template:X]Call", u"[template:X]Call", u"[template:X]Call"},  // the prefix is compared exactly
        {u"[TEMPLATE:", u"[TEMPLATE:", u"[TEMPLATE:"},
        {u"", u"", u""},
    };
    for (const Case& c : cases) {
        std::u16string name = c.stored, subject = c.stored;
        CTemplate::GetTemplateName(name.data());
        CTemplate::GetTemplateSubject(subject.data());
        EXPECT_EQ(std::u16string(name.c_str()), c.name) << std::string(c.stored.begin(), c.stored.end());
        EXPECT_EQ(std::u16string(subject.c_str()), c.subject);
    }

    // A name holding ']' does not survive a round trip.
    std::unique_ptr<WCHAR, decltype(&free)> made(CTemplate::MakeTemplate(u"a]b", u"Call"), &free);
    EXPECT_EQ(std::u16string(made.get()), u"[TEMPLATE:a]b]Call");
    CTemplate::GetTemplateName(made.get());
    EXPECT_EQ(std::u16string(made.get()), u"a");

    const TemplateEntry apple{u"apple", 1}, banana{u"Banana", 2}, none{u"", 3};
    EXPECT_LT(CTemplate::SortFunction(&apple, &banana), 0);
    EXPECT_GT(CTemplate::SortFunction(&banana, &apple), 0);
    EXPECT_EQ(CTemplate::SortFunction(&apple, &none), 0);
    EXPECT_EQ(CTemplate::SortFunction(nullptr, &apple), 0);
}

class TemplateTest : public ItemSandbox {
protected:
    LONG Appointment(const std::u16string& subject, double start)
    {
        ComRef<IDispatch> item;
        EXPECT_EQ(app->CreateItem(olAppointmentItem, item.Put()), S_OK);
        auto appointment = ComRef<IAppointment>::Query(item.Get());
        appointment->put_Subject(OwnedBstr(subject));
        appointment->put_Start(start);
        appointment->put_Duration(90);
        EXPECT_EQ(appointment->Save(), S_OK);
        LONG oid = 0;
        appointment->get_Oid(&oid);
        return oid;
    }
    long Task(const std::u16string& subject, double due)
    {
        CTask task;
        EXPECT_TRUE(task.Create(due, subject.c_str(), nullptr, true));
        EXPECT_TRUE(task.Save());
        return task.Oid();
    }
    // Writes the task's due date straight into its record, time of day included.
    static void SetStoredDue(long oid, int year, int month, int day, int hour, int minute)
    {
        CeDb db;
        ASSERT_TRUE(db.Open(kTasksDatabase, 0, 0, nullptr));
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(year);
        st.wMonth = static_cast<WORD>(month);
        st.wDay = static_cast<WORD>(day);
        st.wHour = static_cast<WORD>(hour);
        st.wMinute = static_cast<WORD>(minute);
        CEPROPVAL due{};
        due.propid = kTaskDueDate;
        ASSERT_TRUE(SystemTimeToFileTime(&st, &due.val.filetime));
        ASSERT_EQ(CeWriteRecordProps(db.GetHandle(), static_cast<CEOID>(oid), 1, &due), static_cast<CEOID>(oid));
    }
    static std::vector<std::pair<std::u16string, long>> Listed(int kind, int expectedCount)
    {
        CTemplate list;
        EXPECT_FALSE(list.IsLoaded());
        EXPECT_EQ(list.TemplateList(kind), expectedCount);
        EXPECT_TRUE(list.IsLoaded());
        std::vector<std::pair<std::u16string, long>> entries;
        for (const TemplateEntry& e : list.Entries()) entries.emplace_back(e.name, e.oid);
        return entries;
    }
    ScriptedUiHost host;
};

TEST_F(TemplateTest, TasksDueOnTheLastDayAtMidnightExactlyAreTemplates)
{
    const long source = Task(u"A1: Team meeting", today + 2);
    CTask loaded;
    ASSERT_TRUE(loaded.ReadOID(source) && loaded.LoadData());
    const long weekly = loaded.SaveAsTemplate(u"Weekly");
    ASSERT_NE(weekly, 0);
    const long plain = Task(u"Parked without a name", kTaskTemplateDue);
    const long late = Task(u"[TEMPLATE:Late]Call", kTaskTemplateDue);
    SetStoredDue(late, 2999, 12, 31, 0, 1);
    const long early = Task(u"[TEMPLATE:Early]Call", kTaskTemplateDue - 1);

    EXPECT_EQ(Listed(kTemplateTask, 2), (std::vector<std::pair<std::u16string, long>>{
                                            {u"Parked without a name", plain}, {u"Weekly", weekly}}));
    (void)early;

    // A new task from the template carries its subject, code and note, not its name or date.
    ASSERT_TRUE(CLinks::Create(weekly, source, nullptr, kLinkToTask, 1, nullptr));
    const long made = CTemplate::NewTaskFromTemplate(weekly, today + 7);
    ASSERT_NE(made, 0);
    CTask check;
    ASSERT_TRUE(check.ReadOID(made) && check.LoadData());
    EXPECT_EQ(check.Subject(), u"Team meeting");
    EXPECT_EQ(check.PriorityLetter() + check.PriorityNumber(), u"A1");
    EXPECT_TRUE(check.TemplateName().empty());
    EXPECT_DOUBLE_EQ(check.DueDate(), today + 7);
    EXPECT_TRUE(CLinks::HasLinks(made)) << "the template's links come along";
    EXPECT_EQ(Listed(kTemplateTask, 2).size(), 2u) << "the new task is no template";
}

TEST_F(TemplateTest, EveryAppointmentAfterTheTwentySeventhOfNovemberIsListed)
{
    const LONG weekly = Appointment(u"[TEMPLATE:Weekly]Team meeting", kAppointmentTemplateDay + 0.375);
    const LONG unnamed = Appointment(u"Far away", kAppointmentTemplateAfter + 0.5);
    const LONG bracket = Appointment(u"[TEMPLATE:Broken", kAppointmentTemplateAfter + 3);
    Appointment(u"[TEMPLATE:Too early]x", kAppointmentTemplateAfter - 1 + 0.5);
    Appointment(u"[TEMPLATE:Today]x", today + 0.5);
    EXPECT_EQ(Listed(kTemplateAppointment, 3),
              (std::vector<std::pair<std::u16string, long>>{
                  {u"[TEMPLATE:Broken", bracket}, {u"Far away", unnamed}, {u"Weekly", weekly}}));

    // Saving an appointment as a template parks a copy; a new one is made from it on another day.
    const LONG lunch = Appointment(u"Lunch", today + 1 + 0.5);
    const long parked = CTemplate::SaveAppointmentAsTemplate(lunch, u"Lunch break");
    ASSERT_NE(parked, 0);
    EXPECT_EQ(Text(Open<IAppointment>(static_cast<LONG>(parked)).Get(), &IAppointment::get_Subject),
              u"[TEMPLATE:Lunch break]Lunch");
    EXPECT_EQ(Listed(kTemplateAppointment, 4)[2].second, parked) << "sorted in as Lunch break";

    const long made = CTemplate::NewAppointmentFromTemplate(weekly, today + 3);
    ASSERT_NE(made, 0);
    auto appointment = Open<IAppointment>(static_cast<LONG>(made));
    DATE start = 0;
    appointment->get_Start(&start);
    EXPECT_NEAR(start, today + 3 + 0.375, 1e-6);
    EXPECT_EQ(Text(appointment.Get(), &IAppointment::get_Subject), u"Team meeting");
}

TEST_F(TemplateTest, CompanyTemplatesAreTheSectionsOfTheirFileByName)
{
    for (const WCHAR* name : {u"Zeta", u"Acme", u"Beta"}) ASSERT_TRUE(CTemplate::SaveCompanyTemplate(name, u"Ltd"));
    EXPECT_FALSE(CTemplate::SaveCompanyTemplate(u"a\\b", u"Ltd"));
    EXPECT_FALSE(CTemplate::SaveCompanyTemplate(u"", u"Ltd"));
    EXPECT_EQ(Listed(kTemplateCompany, 0), (std::vector<std::pair<std::u16string, long>>{
                                               {u"Acme", 0}, {u"Beta", 0}, {u"Zeta", 0}}));
    CTemplate list;
    EXPECT_EQ(list.TemplateList(7), -1);
}

TEST_F(TemplateTest, ItemsOfAnotherKindOrGoneMakeNothing)
{
    const long task = Task(u"Ordinary", today + 1);
    const LONG appointment = Appointment(u"[TEMPLATE:Weekly]Team meeting", kAppointmentTemplateDay + 0.375);
    const long gone = Task(u"[TEMPLATE:Gone]x", kTaskTemplateDue);
    CTask doomed;
    ASSERT_TRUE(doomed.ReadOID(gone) && doomed.Delete(false));
    struct Case {
        long oid;
        bool task;
    } const cases[] = {{task, true}, {appointment, true}, {gone, true}, {0, true},
                       {task, false}, {gone, false}, {-5, false}};
    for (const Case& c : cases) {
        const long made = c.task ? CTemplate::NewTaskFromTemplate(c.oid, today)
                                 : CTemplate::NewAppointmentFromTemplate(c.oid, today);
        EXPECT_EQ(made, 0) << c.oid << (c.task ? " as a task" : " as an appointment");
    }
    EXPECT_EQ(CTemplate::SaveAppointmentAsTemplate(task, u"x"), 0);
    EXPECT_EQ(CTemplate::SaveAppointmentAsTemplate(appointment, u""), 0);
    EXPECT_EQ(Listed(kTemplateTask, 0).size(), 0u);
    EXPECT_EQ(Listed(kTemplateAppointment, 1).size(), 1u);
}

}  // namespace
