// Links between items and to files: the stored records are read back behind CLinks, the items are made
// and deleted through the object model, and the main window's messages are caught by a real window.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "items/c_links.h"
#include "items/c_task.h"
#include "platform/files/files.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"
#include "storage/ce_db.h"
#include "platform/text/utf8.h"
#include "storage/ce_db_record.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

struct Sent {
    WPARAM item;
    LPARAM database;
};
std::vector<Sent> g_sent;

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kLinksChangedMessage) g_sent.push_back({wParam, lParam});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class LinksTest : public ItemSandbox {
protected:
    LONG Saved(int kind, const std::u16string& text, double date)
    {
        ComRef<IDispatch> item;
        EXPECT_EQ(app->CreateItem(kind, item.Put()), S_OK);
        LONG oid = 0;
        if (auto task = ComRef<ITask>::Query(item.Get())) {
            task->put_Subject(OwnedBstr(text));
            task->put_DueDate(date);
            task->Save();
            task->get_Oid(&oid);
        } else if (auto appointment = ComRef<IAppointment>::Query(item.Get())) {
            appointment->put_Subject(OwnedBstr(text));
            appointment->put_Start(date);
            appointment->put_Duration(60);
            appointment->Save();
            appointment->get_Oid(&oid);
        } else if (auto contact = ComRef<IContact>::Query(item.Get())) {
            contact->put_LastName(OwnedBstr(text));
            contact->put_FileAs(OwnedBstr(text));
            contact->Save();
            contact->get_Oid(&oid);
        }
        EXPECT_NE(oid, 0);
        return oid;
    }
    LONG Task(const std::u16string& subject, double due = kNoOleDate) { return Saved(olTaskItem, subject, due); }

    // Every stored link as {source, target, kind, number}, in link-number order.
    static std::vector<std::array<LONG, 4>> Stored()
    {
        std::vector<std::array<LONG, 4>> links;
        CeDb db;
        if (!db.Open(kLinksDatabase, kLinkNumber, 0, nullptr)) return links;
        CEPROPID ids[4] = {kLinkSource, kLinkTarget, kLinkKind, kLinkNumber};
        for (CEOID oid = db.SeekFirst(); oid; oid = db.SeekNext()) {
            CeDbRecord record;
            EXPECT_TRUE(db.ReadRec(record, 4, ids));
            std::array<LONG, 4> link{};
            for (int i = 0; i < 4; ++i) record.GetIndexVal(record.FindProp(ids[i]), link[i]);
            links.push_back(link);
        }
        return links;
    }
    static std::vector<LinkRow> Rows(long item)
    {
        std::vector<LinkRow> rows;
        CLinks::ReadData(item, rows);
        return rows;
    }
    ScriptedUiHost host;
};

TEST_F(LinksTest, PairsAreStoredBothWaysNumberedAndRefusedWhenRepeated)
{
    const LONG meeting = Saved(olAppointmentItem, u"Review", today + 1 + 0.375);
    const LONG report = Task(u"Report", today + 2);
    const LONG anna = Saved(olContactItem, u"Anna", 0);

    ASSERT_TRUE(CLinks::LinkItems(meeting, report));
    ASSERT_TRUE(CLinks::LinkItems(anna, report));
    EXPECT_EQ(Stored(), (std::vector<std::array<LONG, 4>>{
                            {meeting, report, kLinkToTask, 1},
                            {report, meeting, kLinkToAppointment, 2},
                            {anna, report, kLinkToTask, 3},
                            {report, anna, kLinkToContact, 4},
                        }));

    struct Refused {
        long source, target;
    } const refused[] = {{report, report}, {0, report}, {meeting, report}};
    for (const Refused& r : refused) EXPECT_FALSE(CLinks::Create(r.source, r.target, nullptr, 4, 1, nullptr));
    EXPECT_FALSE(CLinks::LinkItems(report, 987654)) << "no such item";
    EXPECT_EQ(Stored().size(), 4u);

    // Deleting one record of a pair deletes its opposite and leaves the other pair alone.
    std::vector<LinkRow> rows = Rows(meeting);
    ASSERT_EQ(rows.size(), 1u);
    CLinks::Delete(static_cast<long>(rows[0].link));
    EXPECT_EQ(Stored(), (std::vector<std::array<LONG, 4>>{{anna, report, kLinkToTask, 3},
                                                         {report, anna, kLinkToContact, 4}}));
    // The next number follows the highest stored; with the last one gone it is used again.
    CLinks::Delete(static_cast<long>(Rows(report)[0].link));
    EXPECT_TRUE(Stored().empty());
    ASSERT_TRUE(CLinks::Create(meeting, report, nullptr, kLinkToTask, 1, nullptr));
    EXPECT_EQ(Stored()[0][3], 1);
}

TEST_F(LinksTest, ACycleListsEachNeighbourAndDeletingOneTaskBreaksOnlyItsLinks)
{
    const LONG a = Task(u"Plan", today + 1);
    const LONG b = Task(u"Build");
    const LONG c = Saved(olAppointmentItem, u"Launch", today + 3 + 0.5);
    ASSERT_TRUE(CLinks::LinkItems(a, b));
    ASSERT_TRUE(CLinks::LinkItems(b, c));
    ASSERT_TRUE(CLinks::LinkItems(c, a));

    std::vector<std::u16string> labels;
    for (const LinkRow& row : Rows(a)) labels.push_back(row.label);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0], u"Build") << "an undated task shows its subject alone";
    EXPECT_NE(labels[1].find(u" - Launch"), std::u16string::npos) << "date, time, then the subject";
    EXPECT_EQ(Rows(b).size(), 2u);
    EXPECT_TRUE(CLinks::HasLinks(c));

    CTask doomed;
    ASSERT_TRUE(doomed.ReadOID(b));
    ASSERT_TRUE(doomed.Delete(false));
    EXPECT_EQ(Stored(), (std::vector<std::array<LONG, 4>>{{c, a, kLinkToTask, 5}, {a, c, kLinkToAppointment, 6}}));
    ASSERT_EQ(Rows(a).size(), 1u);
    EXPECT_EQ(Rows(a)[0].target, static_cast<CEOID>(c));
}

TEST_F(LinksTest, ALinkToAnItemDeletedLaterIsSkippedAndCannotBeOpened)
{
    const LONG task = Task(u"Call back", today + 1);
    const LONG meeting = Saved(olAppointmentItem, u"Call", today + 1 + 0.5);
    ASSERT_TRUE(CLinks::LinkItems(task, meeting));
    const long link = static_cast<long>(Rows(task).at(0).link);
    ASSERT_EQ(Open<IAppointment>(meeting)->Delete(), S_OK);  // behind the links' back

    EXPECT_TRUE(Rows(task).empty()) << "the target is gone";
    EXPECT_EQ(Stored().size(), 2u) << "the records stay until deleted";
    LONG kind = 0;
    long target = 0;
    EXPECT_FALSE(CLinks::GetLinkObject(link, &kind, &target, true));
    EXPECT_EQ(kind, kLinkToAppointment);
    EXPECT_EQ(target, meeting);
    EXPECT_EQ(host.LastMessage().text, u"The appointment could not be found. It may have been deleted.");

    // The main window hears about the task only: the appointment no longer exists.
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainWindowProc;
    wc.lpszClassName = u"CeWnd:Kestrel 2007";
    RegisterClassW(&wc);
    HWND main = CreateWindowW(u"CeWnd:Kestrel 2007", u"Kestrel 2007", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(main);
    g_sent.clear();
    CLinks::Delete(link);
    DestroyWindow(main);
    ASSERT_EQ(g_sent.size(), 1u);
    EXPECT_EQ(g_sent[0].item, static_cast<WPARAM>(task));
    EXPECT_EQ(g_sent[0].database, static_cast<LPARAM>(PimDatabases::Oid(kTasksDatabase)));
    EXPECT_TRUE(Stored().empty());
}

TEST_F(LinksTest, FileLinksNameTheirFileAndTellWhenItIsGone)
{
    const LONG task = Task(u"Taxes");
    const WCHAR* path = u"\\plan.txt";
    EXPECT_FALSE(CLinks::CreateFileLink(task, path)) << "no such file yet";
    EXPECT_EQ(host.LastMessage().text, u"The linked file or folder could not be found.");

    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ASSERT_TRUE(CLinks::CreateFileLink(task, path));
    EXPECT_FALSE(CLinks::CreateFileLink(task, u"\\PLAN.txt")) << "the same file again, in other letters";
    std::vector<LinkRow> rows = Rows(task);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].label, u"plan.txt");
    EXPECT_EQ(rows[0].target, 0u);
    const size_t shown = host.MessageCount();
    EXPECT_TRUE(CLinks::GetLinkObject(static_cast<long>(rows[0].link), nullptr, nullptr, true));
    EXPECT_EQ(host.MessageCount(), shown);

    ASSERT_TRUE(DeleteFileW(path));
    EXPECT_EQ(Rows(task).size(), 1u) << "a file link is listed by its name";
    EXPECT_FALSE(CLinks::GetLinkObject(static_cast<long>(rows[0].link), nullptr, nullptr, true));
    EXPECT_EQ(host.LastMessage().text, u"The linked file or folder could not be found.");
}

TEST_F(LinksTest, CopyingAnItemCopiesItsForwardLinksWhenTheUserAgrees)
{
    const LONG original = Task(u"Original");
    const LONG other = Task(u"Other");
    ASSERT_TRUE(CLinks::LinkItems(original, other));
    struct Case {
        std::optional<int> answer;  // nothing: not asked
        size_t copied;
    } const cases[] = {{IDNO, 0}, {IDYES, 1}, {std::nullopt, 1}};
    for (const Case& c : cases) {
        const LONG copy = Task(u"Copy");
        const size_t asked = host.MessageCount();
        if (c.answer) host.QueueAnswer(*c.answer);
        CLinks::Copy(copy, original, !c.answer);
        EXPECT_EQ(host.MessageCount() - asked, c.answer ? 1u : 0u);
        EXPECT_EQ(Rows(copy).size(), c.copied);
        EXPECT_EQ(Rows(other).size(), 1u) << "no reverse link is added";
    }
    EXPECT_EQ(host.Messages().front().caption, u"Copy/Paste Question");
}

TEST_F(LinksTest, BadLinkNumbersAreToldAndChangeNothing)
{
    const LONG a = Task(u"A");
    const LONG b = Task(u"B");
    ASSERT_TRUE(CLinks::LinkItems(a, b));
    const size_t shown = host.MessageCount();
    EXPECT_FALSE(CLinks::GetLinkObject(a, nullptr, nullptr, false)) << "an item's OID is no link";
    EXPECT_EQ(host.LastMessage().text, u"The link could not be opened because its record is missing.");
    EXPECT_FALSE(CLinks::GetLinkObject(0, nullptr, nullptr, true));
    EXPECT_EQ(host.MessageCount(), shown + 1);
    CLinks::Delete(a);
    CLinks::Delete(-1);
    CLinks::DeleteLinksOfItem(0);
    EXPECT_EQ(Stored().size(), 2u);
    std::vector<LinkRow> none{LinkRow{}};
    EXPECT_EQ(CLinks::ReadData(0, none), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(CLinks::NoLinksText(), u"No links");
}

}  // namespace

namespace {

TEST_F(LinksTest, OpeningALinkLoadsItsTargetThroughItsItemClassAndShowsIt)
{
    const LONG task = Task(u"Pack <2 bags> & go", today + 2);
    const LONG meeting = Saved(olAppointmentItem, u"Train", today + 2 + 0.25);
    const LONG contact = Saved(olContactItem, u"Berger", kNoOleDate);
    ASSERT_TRUE(CLinks::LinkItems(task, meeting));
    ASSERT_TRUE(CLinks::LinkItems(task, contact));
    HANDLE file = CreateFileW(u"\\ticket.pdf", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ASSERT_TRUE(CLinks::CreateFileLink(task, u"\\ticket.pdf"));
    const LONG back = static_cast<LONG>(Rows(meeting).at(0).link);

    struct Case {
        LONG kind;
        const char16_t* caption;
        const char16_t* shows;  // part of the text shown
    };
    const Case cases[] = {
        {kLinkToAppointment, u"Appointment", u"Train"},
        {kLinkToContact, u"Contact", u"Berger"},
        {kLinkToFile, u"File", u"\\ticket.pdf"},
    };
    const std::vector<LinkRow> rows = Rows(task);
    ASSERT_EQ(rows.size(), 3u);
    for (const Case& c : cases) {
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const LinkRow& r) { return r.kind == c.kind; });
        ASSERT_NE(row, rows.end());
        ASSERT_TRUE(CLinks::OpenLink(static_cast<long>(row->link))) << WideToUtf8(c.caption);
        EXPECT_EQ(host.LastMessage().caption, c.caption);
        EXPECT_NE(host.LastMessage().text.find(c.shows), std::u16string::npos) << WideToUtf8(host.LastMessage().text);
        EXPECT_EQ(host.LastMessage().text.find(u"<B>"), std::u16string::npos) << "a message box shows no tags";
    }
    ASSERT_TRUE(CLinks::OpenLink(back));
    EXPECT_EQ(host.LastMessage().caption, u"Task");
    EXPECT_NE(host.LastMessage().text.find(u"Pack <2 bags> & go"), std::u16string::npos) << WideToUtf8(host.LastMessage().text);

    ASSERT_EQ(Open<ITask>(task)->Delete(), S_OK);
    EXPECT_FALSE(CLinks::OpenLink(back));
    EXPECT_EQ(host.LastMessage().text, u"The appointment could not be found. It may have been deleted.");
    EXPECT_FALSE(CLinks::OpenLink(0));
}

}  // namespace
