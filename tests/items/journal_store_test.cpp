// The journal database: entries read back, other programs' records, seeks, rich notes' last paragraph.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "items/c_journal.h"
#include "items/journal_notes.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "tests/items/journal_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace journaltest;

namespace {

class JournalStoreTest : public JournalSandbox {};

CJournalData FullEntry()
{
    CJournalData e;
    e.m_subject = u"Called about the offer";
    e.m_type = u"Phone";
    e.m_parentText = u"Anna Berg";
    e.m_text3 = u"follow up";
    e.m_duration = 95;
    e.m_pageFlag = true;
    e.m_start = Local(2026, 3, 14, 9, 30, 15);
    e.m_created = Local(2026, 3, 1, 8, 0, 0);
    e.m_number1 = -7;
    e.m_number2 = 0x7FFFFFFF;
    e.m_number3 = 42;
    e.m_parent = 0x00ABCDEF;
    e.SetNotesText(u"Notes \u00e9\u4e2d");
    return e;
}

const CEPROPVAL* Find(const std::vector<CEPROPVAL>& props, CEPROPID id)
{
    auto found = std::find_if(props.begin(), props.end(), [&](const CEPROPVAL& p) { return p.propid == id; });
    return found == props.end() ? nullptr : &*found;
}
bool Has(const std::vector<CEPROPVAL>& props, CEPROPID id) { return Find(props, id) != nullptr; }

// Every field of an entry in one line, so that one comparison names the field that differs.
std::string Fields(const CJournalData& e)
{
    std::string out;
    for (const CeString* text : {&e.m_subject, &e.m_type, &e.m_parentText, &e.m_text3})
        out += WideToUtf8(static_cast<const WCHAR*>(*text)) + "|";
    for (long long n :
         {(long long)e.m_record, (long long)e.m_duration, (long long)e.m_pageFlag, (long long)e.m_createdMissing,
          (long long)e.m_number1, (long long)e.m_number2, (long long)e.m_number3, (long long)e.m_parent})
        out += std::to_string(n) + "|";
    for (const SYSTEMTIME* t : {&e.m_start, &e.m_created, &e.m_modified}) out += std::to_string(TimeValue(*t)) + "|";
    return out + std::string(e.m_notes.begin(), e.m_notes.end());
}

TEST_F(JournalStoreTest, EveryFieldRoundTripsTimesAreStoredAsLocalFileTimesAndUpdatesKeepOneRecord)
{
    CJournalData written = FullEntry();
    CJournal::WriteEntry(written, false);
    ASSERT_NE(written.m_record, 0u);
    CJournalData read;
    ASSERT_TRUE(CJournal::ReadEntry(written.m_record, &read));
    // Without the stamp flag the created time is the entry's own.
    EXPECT_EQ(Fields(read), Fields(written));
    EXPECT_EQ(read.NotesText(), CeString(u"Notes \u00e9\u4e2d"));
    const auto props = StoredProps(written.m_record);
    ASSERT_NE(Find(props, kJournalStart), nullptr);
    EXPECT_EQ(platform::FileTimeValue(Find(props, kJournalStart)->val.filetime),
              TimeValue(Local(2026, 3, 14, 9, 30, 15)));

    SYSTEMTIME before{};
    GetLocalTime(&before);
    CJournalData e = FullEntry();
    CJournal::WriteEntry(e, true);
    const CEOID first = e.m_record;
    read = CJournalData();
    CJournal::ReadEntry(first, &read);
    EXPECT_GE(TimeValue(read.m_created), TimeValue(before) - 10'000'000ull) << "stamped now, not 1 March";
    EXPECT_EQ(TimeValue(e.m_created), TimeValue(read.m_created)) << "the entry written holds the stamp it was given";

    // Writing the entry again updates its record; the created time stays.
    read.m_subject = u"Changed";
    read.m_created = Local(2000, 1, 1);
    CJournal::WriteEntry(read, true);
    EXPECT_EQ(read.m_record, first);
    CJournalData again;
    CJournal::ReadEntry(first, &again);
    EXPECT_EQ(again.m_subject, CeString(u"Changed"));
    EXPECT_GE(TimeValue(again.m_created), TimeValue(before) - 10'000'000ull);

    // An entry whose record was deleted is added anew.
    CJournal::DeleteEntry(first);
    CJournal::WriteEntry(again, false);
    EXPECT_NE(again.m_record, 0u);
    EXPECT_NE(again.m_record, first);
}

TEST_F(JournalStoreTest, AFailedWriteIsShownNotesLoseATrailingEmptyParagraphAndEmptyNotesTheProperty)
{
    ScriptedUiHost host;
    CJournalData e = FullEntry();
    e.m_notes.assign(17u << 20, 'x');  // more than a record may hold
    CJournal::WriteEntry(e, true);
    EXPECT_EQ(e.m_record, 0u);
    ASSERT_EQ(host.MessageCount(), 1u);
    EXPECT_FALSE(host.LastMessage().text.empty()) << "the system's text for the error";
    EXPECT_FALSE(CJournal::HasEntries(e.m_parent));

    e.m_notes.clear();
    CJournal::WriteEntry(e, true);
    EXPECT_NE(e.m_record, 0u);
    EXPECT_EQ(host.MessageCount(), 1u);

    const std::string rtf = "{\\rtf1 hello\\par }";
    e.m_notes.assign(rtf.begin(), rtf.end());
    CJournal::WriteEntry(e, false);
    CJournalData read;
    CJournal::ReadEntry(e.m_record, &read);
    EXPECT_EQ(std::string(read.m_notes.begin(), read.m_notes.end()), "{\\rtf1 hello}");
    ASSERT_TRUE(Has(StoredProps(e.m_record), kJournalNotes));
    e.m_notes.clear();
    CJournal::WriteEntry(e, false);
    const auto ids = StoredProps(e.m_record);
    EXPECT_FALSE(Has(ids, kJournalNotes));
    EXPECT_TRUE(Has(ids, kJournalFalseFlag)) << "the always-false flag is written";
    EXPECT_FALSE(Has(ids, kJournalPlainNotes));

    // Plain notes are read when the blob is missing or empty.
    CJournal::CheckAndCreateDB();
    const CEPROPVAL text = Prop(kJournalPlainNotes, u"old notes");
    BYTE bytes[] = {'n', 'e', 'w'};
    CEPROPVAL emptyBlob{}, blob{};
    emptyBlob.propid = blob.propid = kJournalNotes;
    blob.val.blob = CEBLOB{3, bytes};
    const std::pair<std::vector<CEPROPVAL>, const WCHAR*> cases[] = {
        {{text}, u"old notes"}, {{text, emptyBlob}, u"old notes"}, {{text, blob}, u"new"}};
    for (const auto& [props, notes] : cases) {
        CJournalData read;
        ASSERT_TRUE(CJournal::ReadEntry(WriteRaw(props), &read));
        EXPECT_EQ(read.NotesText(), CeString(notes));
    }
}

// ---- records as other programs left them ----

TEST_F(JournalStoreTest, RecordWithOnlyASubjectGetsTheDefaultsAndReadEntryItsArguments)
{
    CJournal::CheckAndCreateDB();
    const CEOID oid = WriteRaw({Prop(kJournalSubject, u"bare")});
    ASSERT_NE(oid, 0u);

    SYSTEMTIME before{};
    GetLocalTime(&before);
    CJournalData read = FullEntry();
    ASSERT_TRUE(CJournal::ReadEntry(oid, &read));
    EXPECT_EQ(read.m_subject, CeString(u"bare"));
    EXPECT_TRUE(read.m_type.IsEmpty());
    EXPECT_TRUE(read.m_parentText.IsEmpty());
    EXPECT_TRUE(read.m_text3.IsEmpty());
    EXPECT_EQ(read.m_duration, 0u);
    EXPECT_EQ(read.m_parent, 0u);
    EXPECT_FALSE(read.m_pageFlag);
    EXPECT_TRUE(read.m_notes.empty());
    EXPECT_GE(TimeValue(read.m_start), TimeValue(before) - 10'000'000ull) << "absent start: now";
    EXPECT_GE(TimeValue(read.m_modified), TimeValue(before) - 10'000'000ull) << "absent modified: now";
    EXPECT_TRUE(read.m_createdMissing);
    EXPECT_EQ(TimeValue(read.m_created), TimeValue(read.m_start));
    EXPECT_EQ(read.m_number1, -7) << "absent numbers keep the entry's values";
    EXPECT_EQ(read.m_record, oid);
    CJournalData gone = FullEntry();
    CJournal::WriteEntry(gone, false);
    CJournalData other;
    EXPECT_FALSE(CJournal::ReadEntry(0, &other));
    EXPECT_FALSE(CJournal::ReadEntry(gone.m_record, nullptr));

    // A record that is not there leaves the entry as it was.
    CJournal::DeleteEntry(gone.m_record);
    other.m_subject = u"untouched";
    EXPECT_TRUE(CJournal::ReadEntry(gone.m_record, &other));
    EXPECT_EQ(other.m_subject, CeString(u"untouched"));
    EXPECT_EQ(other.m_record, 0u);
}

// ---- the database itself ----

TEST_F(JournalStoreTest, OlderDatabaseIsRenamedOnceAndKeepsItsEntries)
{
    const CEOID old =
        WriteRaw({Prop(kJournalSubject, u"from the old journal"), Prop(kJournalParent, 77)}, kOldJournalDatabase);
    ASSERT_NE(old, 0u);

    CJournal::CheckAndCreateDB();
    HANDLE gone = OpenJournalHandle(0, kOldJournalDatabase);
    EXPECT_EQ(gone, INVALID_HANDLE_VALUE) << "the old name is gone";
    if (gone != INVALID_HANDLE_VALUE) CloseHandle(gone);

    CJournalData read;
    ASSERT_TRUE(CJournal::ReadEntry(old, &read));
    EXPECT_EQ(read.m_subject, CeString(u"from the old journal"));
    EXPECT_TRUE(CJournal::HasEntries(77));
    // The renamed database has every sort order: the created-time seek works.
    HANDLE db = OpenJournalHandle(kJournalCreated);
    EXPECT_NE(db, INVALID_HANDLE_VALUE);
    if (db != INVALID_HANDLE_VALUE) CloseHandle(db);
}

// ---- seeks ----

TEST_F(JournalStoreTest, CreatedWithTheFourSortOrdersAndEntriesFoundByTheParentKey)
{
    CJournalData a = FullEntry(), b = FullEntry(), c = FullEntry();
    a.m_parent = c.m_parent = 500;
    b.m_parent = 600;
    for (CJournalData* e : {&a, &b, &c}) CJournal::WriteEntry(*e, false);

    EXPECT_TRUE(CJournal::HasEntries(500));
    EXPECT_TRUE(CJournal::HasEntries(600));
    EXPECT_FALSE(CJournal::HasEntries(550));

    EXPECT_THAT(RecordsWithParent(500), testing::UnorderedElementsAre(a.m_record, c.m_record));

    CJournal::DeleteEntry(b.m_record);
    EXPECT_FALSE(CJournal::HasEntries(600));
    CJournal::CheckAndCreateDB();
    CEOID oid = 0;
    HANDLE journal = CeOpenDatabaseEx(nullptr, &oid, kJournalDatabase, kJournalParent, 0, nullptr);
    ASSERT_NE(journal, INVALID_HANDLE_VALUE);
    CloseHandle(journal);
    CEOIDINFO info{};
    ASSERT_TRUE(CeOidGetInfo(oid, &info));
    EXPECT_EQ(info.infDatabase.dwDbaseType, 0u);
    ASSERT_EQ(info.infDatabase.wNumSortOrder, 4);
    const CEPROPID sorts[4] = {kJournalParent, kJournalCreated, kJournalModified, kJournalNumber1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(info.infDatabase.rgSortSpecs[i].propid, sorts[i]) << i;
        EXPECT_EQ(info.infDatabase.rgSortSpecs[i].dwFlags, 0u) << i;
    }
}

class FindByDateTest : public JournalSandbox {
protected:
    static CEOID Note(const SYSTEMTIME& created, const WCHAR* subject, CEOID parent = 0)
    {
        CJournalData e;
        e.m_subject = subject;
        e.m_start = created;
        e.m_created = created;
        e.m_parent = parent;
        CJournal::WriteEntry(e, false);
        return e.m_record;
    }
};

TEST_F(FindByDateTest, FindsTheFirstParentlessNoteCreatedAtTheDate)
{
    const SYSTEMTIME day = Local(2026, 5, 4);
    Note(Local(2026, 5, 3), u"Daily note yesterday");
    Note(day, u"Daily note of a contact", 12);
    Note(day, u"Meeting");
    const CEOID wanted = Note(Local(2026, 5, 4, 10), u"Daily note");
    EXPECT_EQ(CJournal::FindByDate(kstest::Ole(day)), wanted);
    // Nothing created exactly at the date; a walk that reaches the end.
    Note(Local(2026, 5, 6, 0, 0, 1), u"Daily note");
    EXPECT_EQ(CJournal::FindByDate(kstest::Ole(Local(2026, 5, 6))), 0u);
    Note(Local(2026, 5, 7), u"Other");
    EXPECT_EQ(CJournal::FindByDate(kstest::Ole(Local(2026, 5, 7))), 0u);
}

TEST(JournalNotes, TheTrailingParagraphOfLongerNotesBecomesOneBrace)
{
    const struct {
        const char* what;
        std::string text;
        std::string expected;
        bool changed;
    } rows[] = {
        {"the marker at the end", "{\\rtf1 abc\\par }", "{\\rtf1 abc}", true},
        {"ten bytes or fewer", "a\\par }", "a\\par }", false},
        {"exactly ten bytes", "xxxx\\par }", "xxxx\\par }", false},
        {"no marker", "plain text without marker", "plain text without marker", false},
        {"empty", "", "", false},
        {"a marker elsewhere still cuts the last six bytes", "{x\\par }tail123456", "{x\\par }tail}", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<BYTE> notes(row.text.begin(), row.text.end());
        EXPECT_EQ(DropTrailingEmptyParagraph(notes), row.changed);
        EXPECT_EQ(std::string(notes.begin(), notes.end()), row.expected);
    }
}

}  // namespace
