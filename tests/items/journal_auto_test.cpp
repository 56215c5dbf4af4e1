// Automatic entries follow the AutoJournal settings; the journal dialog goes through the UI host.
#include <gtest/gtest.h>

#include "items/c_journal.h"
#include "items/journal_dialog.h"
#include "platform/ui/ui_host.h"
#include "tests/items/journal_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace journaltest;

namespace {

class AutoJournalTest : public JournalSandbox {
protected:
    // The records with this parent, read back.
    static std::vector<CJournalData> EntriesOf(CEOID parent)
    {
        std::vector<CJournalData> entries;
        const std::vector<CEOID> oids = RecordsWithParent(parent);
        for (CEOID oid : oids) {
            entries.emplace_back();
            CJournal::ReadEntry(oid, &entries.back());
        }
        return entries;
    }
};

TEST_F(AutoJournalTest, OnlyTheActionsSettingWritesAndTheEntryCarriesActionSubjectParentAndNotes)
{
    CJournal::AutoJournal(u"NewTask", kJournalTaskString, 40, u"Buy milk", nullptr);
    EXPECT_FALSE(CJournal::HasEntries(40)) << "no AutoJournal key at all";

    SetAutoJournal(u"NewTask", 0);
    SetAutoJournal(u"Email", 1);
    CJournal::AutoJournal(u"NewTask", kJournalTaskString, 40, u"Buy milk", nullptr);
    EXPECT_FALSE(CJournal::HasEntries(40)) << "switched off";
    CJournal::AutoJournal(u"SMS", kJournalSmsString, 40, u"Anna", nullptr);
    EXPECT_FALSE(CJournal::HasEntries(40)) << "another action's setting does not count";
    CJournal::AutoJournal(u"Email", kJournalEmailString, 40, u"Anna", nullptr);
    EXPECT_EQ(EntriesOf(40).size(), 1u);
    SetAutoJournal(u"MarkComplete", 1);
    SYSTEMTIME before{};
    GetLocalTime(&before);
    CJournal::AutoJournal(u"MarkComplete", kJournalCompletedString, 41, u"Buy milk", u"on time");
    CJournal::AutoJournal(u"MarkComplete", kJournalReopenedString, 41, nullptr, u"");

    const auto entries = EntriesOf(41);
    ASSERT_EQ(entries.size(), 2u);
    const CJournalData* done = nullptr;
    const CJournalData* reopened = nullptr;
    for (const auto& e : entries) (e.m_subject.Compare(u"Completed: on time") == 0 ? done : reopened) = &e;
    ASSERT_NE(done, nullptr);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(done->m_type, CeString(u"MarkComplete"));
    EXPECT_EQ(done->m_parentText, CeString(u"Buy milk"));
    EXPECT_EQ(done->NotesText(), CeString(u"Completed: on time"));
    EXPECT_GE(TimeValue(done->m_created), TimeValue(before) - 10'000'000ull) << "stamped when written";
    EXPECT_FALSE(done->m_createdMissing);
    EXPECT_EQ(reopened->m_subject, CeString(u"Not completed")) << "an empty extra text adds nothing";
    EXPECT_TRUE(reopened->m_parentText.IsEmpty());
}

TEST_F(AutoJournalTest, DialogStoresTheEntryOnlyWhenAccepted)
{
    ScriptedUiHost host;
    host.QueueAnswer(IDCANCEL);
    EXPECT_EQ(CJournalDialog::Collect(nullptr, 90, u"Anna", u"Lunch"), 0u);
    EXPECT_FALSE(CJournal::HasEntries(90));

    host.QueueAnswer(IDOK);
    host.QueueAskAnswer(25);
    const CEOID stored = CJournalDialog::Collect(nullptr, 90, u"Anna", u"Lunch");
    ASSERT_NE(stored, 0u);
    ASSERT_EQ(host.MessageCount(), 2u);
    EXPECT_NE(host.LastMessage().text.find(u"Lunch"), std::u16string::npos);
    EXPECT_NE(host.LastMessage().text.find(u"Anna"), std::u16string::npos);
    ASSERT_EQ(host.Questions().size(), 1u);
    EXPECT_EQ(host.Questions()[0].questionId, kJournalDurationQuestion);

    CJournalData read;
    CJournal::ReadEntry(stored, &read);
    EXPECT_EQ(read.m_subject, CeString(u"Lunch"));
    EXPECT_EQ(read.m_parent, 90u);
    EXPECT_EQ(read.m_duration, 25u);
}

TEST_F(AutoJournalTest, DisplayEditorEditsTheStoredEntry)
{
    CJournalData e;
    e.m_subject = u"Review";
    e.m_duration = 10;
    e.m_start = Local(2026, 1, 2, 3, 4);
    CJournal::WriteEntry(e, true);

    ScriptedUiHost host;
    host.QueueAnswer(IDOK);
    host.QueueAskAnswer(-1);  // keep the duration
    CJournal::DisplayEditor(e.m_record, nullptr);
    ASSERT_EQ(host.MessageCount(), 1u);
    EXPECT_NE(host.LastMessage().text.find(u"2026-01-02 03:04"), std::u16string::npos);

    host.QueueAnswer(IDOK);
    host.QueueAskAnswer(45);
    CJournal::DisplayEditor(e.m_record, nullptr);
    CJournalData read;
    CJournal::ReadEntry(e.m_record, &read);
    EXPECT_EQ(read.m_duration, 45u);
    EXPECT_EQ(read.m_subject, CeString(u"Review"));
    EXPECT_EQ(EntriesOf(0).size(), 1u) << "updated in place, not added";
}

}  // namespace
