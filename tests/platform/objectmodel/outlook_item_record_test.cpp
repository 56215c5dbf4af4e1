// One item's property set: typed values, change tracking, saves, deletion.
#include "platform/objectmodel/outlook_item_record.h"

#include <gtest/gtest.h>

#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using namespace outlooktest;

class OutlookItemRecordTest : public OutlookItemTest {
protected:
    CEOID Tasks() { return PimDatabases::Oid(kTasksDatabase); }
};

TEST_F(OutlookItemRecordTest, ANewRecordGetsItsOidOnSaveAndGettersCheckTheKind)
{
    OutlookItemRecord record(Tasks());
    EXPECT_TRUE(record.IsNew());
    record.SetString(kTaskSubject, u"subject");
    record.SetLong(kTaskImportance, 2);
    record.SetLong(kTaskComplete, 1);
    record.SetDouble(kTaskParent, 12.5);
    record.SetFileTime(kTaskDueDate, LocalFileTime(2026, 12, 5));
    record.SetBlob(kItemNote, {1, 2, 3});
    record.Remove(kTaskStartDate);  // nothing stored to remove yet
    EXPECT_TRUE(record.IsChanged());
    ASSERT_EQ(record.Save(), S_OK);
    EXPECT_FALSE(record.IsNew());
    EXPECT_FALSE(record.IsChanged());
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);

    platform::CloseObjectStore();
    OutlookItemRecord loaded(Tasks());
    ASSERT_EQ(loaded.Load(record.Oid()), S_OK);
    EXPECT_EQ(loaded.String(kTaskSubject), u"subject");
    EXPECT_EQ(loaded.Long(kTaskImportance), 2);
    EXPECT_EQ(loaded.Long(kTaskComplete), 1);
    EXPECT_EQ(loaded.Double(kTaskParent), 12.5);
    ASSERT_TRUE(loaded.FileTime(kTaskDueDate));
    EXPECT_EQ(loaded.FileTime(kTaskDueDate)->dwLowDateTime, LocalFileTime(2026, 12, 5).dwLowDateTime);
    EXPECT_EQ(loaded.Blob(kItemNote), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_FALSE(loaded.Has(kTaskStartDate));
    EXPECT_EQ(loaded.Values().size(), 6u);

    // Getters give nothing for absent values or values of another kind.
    EXPECT_FALSE(loaded.Long(kTaskSubject));
    EXPECT_FALSE(loaded.Blob(kTaskSubject));
    const CEPROPID absent = MAKEPROPID(static_cast<WORD>(PropIdNumber(kTaskSubject) + 1), CEVT_LPWSTR);
    EXPECT_FALSE(loaded.String(absent));
    EXPECT_EQ(loaded.StringOrEmpty(absent), u"");
    EXPECT_EQ(loaded.LongOr(kTaskSensitivity, 7), 7);
    loaded.SetLong(kTaskSensitivity, 0x12345);
    EXPECT_EQ(loaded.Long(kTaskSensitivity), 0x2345) << "narrow integer types keep their width";
    const CEPROPID unsigned16 = MAKEPROPID(PropIdNumber(kTaskSensitivity), CEVT_UI2);
    loaded.SetLong(unsigned16, -1);
    EXPECT_EQ(loaded.Long(unsigned16), 0xFFFF);
}

TEST_F(OutlookItemRecordTest, ASaveWritesOnlyWhatChanged)
{
    OutlookItemRecord record(Tasks());
    record.SetString(kTaskSubject, u"first");
    record.SetLong(kTaskImportance, 2);
    ASSERT_EQ(record.Save(), S_OK);
    const CEOID oid = record.Oid();

    OutlookItemRecord item(Tasks());
    ASSERT_EQ(item.Load(oid), S_OK);
    // Written behind the item's back, after it was loaded.
    ASSERT_TRUE(WriteRaw(kTasksDatabase, oid,
                         {cedbtest::Str(PropIdNumber(kTaskSubject), u"changed elsewhere"),
                          cedbtest::UI4(PropIdNumber(kTaskPercentComplete), 40)}));

    item.SetLong(kTaskImportance, 1);
    EXPECT_TRUE(item.IsChanged(kTaskImportance));
    EXPECT_FALSE(item.IsChanged(kTaskSubject));
    ASSERT_EQ(item.Save(), S_OK);
    EXPECT_EQ(ReadRaw(kTasksDatabase, oid, kTaskSubject).text, u"changed elsewhere");
    EXPECT_EQ(ReadRaw(kTasksDatabase, oid, kTaskPercentComplete).val.val.ulVal, 40u);
    EXPECT_EQ(ReadRaw(kTasksDatabase, oid, kTaskImportance).val.val.lVal, 1);

    item.Remove(kTaskImportance);
    EXPECT_TRUE(item.IsChanged(kTaskImportance));
    ASSERT_EQ(item.Save(), S_OK);
    EXPECT_FALSE(ReadRaw(kTasksDatabase, oid, kTaskImportance).found);
    EXPECT_TRUE(ReadRaw(kTasksDatabase, oid, kTaskPercentComplete).found);
    ASSERT_EQ(item.Reload(), S_OK);
    EXPECT_EQ(item.String(kTaskSubject), u"changed elsewhere") << "a reload sees the other writes";
}

TEST_F(OutlookItemRecordTest, AMismatchedValueFailsTheWholeSaveAndLoadRefusesOtherDatabases)
{
    OutlookItemRecord record(Tasks());
    record.SetString(kTaskSubject, u"ok");
    ASSERT_EQ(record.Save(), S_OK);
    record.SetString(kTaskImportance, u"not a number");
    record.SetString(kTaskSubject, u"not written");
    EXPECT_EQ(record.Save(), E_INVALIDARG);
    EXPECT_TRUE(record.IsChanged()) << "the changes stay pending";
    EXPECT_EQ(ReadRaw(kTasksDatabase, record.Oid(), kTaskSubject).text, u"ok");

    // Loading refuses OIDs of other databases.
    OutlookItemRecord contact(PimDatabases::Oid(kContactsDatabase));
    contact.SetString(kContactFirstName, u"Ann");
    EXPECT_EQ(contact.Load(record.Oid()), E_INVALIDARG);
    EXPECT_TRUE(contact.IsNew()) << "left as it was";
    EXPECT_EQ(contact.String(kContactFirstName), u"Ann");
    EXPECT_EQ(contact.Load(0), E_INVALIDARG);
    EXPECT_EQ(contact.Load(0x7FFFFFF0), E_INVALIDARG);
    EXPECT_EQ(OutlookItemRecord().Save(), E_FAIL) << "no database";
}

TEST_F(OutlookItemRecordTest, DeleteAndCopy)
{
    OutlookItemRecord record(Tasks());
    record.SetString(kTaskSubject, u"task");
    record.SetLong(kTaskImportance, 3);
    EXPECT_EQ(record.Delete(), E_FAIL) << "nothing stored yet";
    ASSERT_EQ(record.Save(), S_OK);

    OutlookItemRecord copy = record.CopyAsNew();
    EXPECT_TRUE(copy.IsNew());
    ASSERT_EQ(copy.Save(), S_OK);
    EXPECT_NE(copy.Oid(), record.Oid());
    EXPECT_EQ(ReadRaw(kTasksDatabase, copy.Oid(), kTaskImportance).val.val.lVal, 3);
    EXPECT_EQ(RecordCount(kTasksDatabase), 2);

    const CEOID oid = record.Oid();
    ASSERT_EQ(record.Delete(), S_OK);
    EXPECT_TRUE(record.IsNew());
    EXPECT_FALSE(record.Has(kTaskSubject));
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);
    OutlookItemRecord gone(Tasks());
    EXPECT_EQ(gone.Load(oid), E_INVALIDARG);
    // A deleted item is not stored again, with or without new values.
    EXPECT_EQ(record.Delete(), E_FAIL);
    record.SetString(kTaskSubject, u"again");
    EXPECT_EQ(record.Save(), E_FAIL);
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);
    // A copy loaded before another deleted its record cannot save over the gap.
    OutlookItemRecord stale(Tasks());
    ASSERT_EQ(stale.Load(copy.Oid()), S_OK);
    ASSERT_EQ(copy.Delete(), S_OK);
    stale.SetString(kTaskSubject, u"too late");
    EXPECT_EQ(stale.Save(), E_INVALIDARG);
    EXPECT_EQ(RecordCount(kTasksDatabase), 0);
}

}  // namespace
