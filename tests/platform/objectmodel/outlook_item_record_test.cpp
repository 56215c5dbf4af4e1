// The in-memory property set of one item: typed values, change tracking,
// saves that write only what changed, new records and deletion.
#include "platform/objectmodel/outlook_item_record.h"

#include <gtest/gtest.h>

#include "tests/platform/objectmodel/outlook_item_test_support.h"

namespace {

using namespace outlooktest;

class OutlookItemRecordTest : public OutlookItemTest {
protected:
    CEOID Tasks() { return PimDatabases::Oid(kTasksDatabase); }
};

TEST_F(OutlookItemRecordTest, ANewRecordGetsItsOidOnSave)
{
    OutlookItemRecord record(Tasks());
    EXPECT_TRUE(record.IsNew());
    record.SetString(0x0037001F, u"subject");
    record.SetLong(0x00260003, 2);
    record.SetLong(0x410F0002, 1);
    record.SetDouble(0x2A090005, 12.5);
    record.SetFileTime(0x41050040, LocalFileTime(2026, 12, 5));
    record.SetBlob(0x00170041, {1, 2, 3});
    record.Remove(0x41040040);  // nothing stored to remove yet
    EXPECT_TRUE(record.IsChanged());
    ASSERT_EQ(record.Save(), S_OK);
    EXPECT_FALSE(record.IsNew());
    EXPECT_FALSE(record.IsChanged());
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);

    platform::CloseObjectStore();
    OutlookItemRecord loaded(Tasks());
    ASSERT_EQ(loaded.Load(record.Oid()), S_OK);
    EXPECT_EQ(loaded.String(0x0037001F), u"subject");
    EXPECT_EQ(loaded.Long(0x00260003), 2);
    EXPECT_EQ(loaded.Long(0x410F0002), 1);
    EXPECT_EQ(loaded.Double(0x2A090005), 12.5);
    ASSERT_TRUE(loaded.FileTime(0x41050040));
    EXPECT_EQ(loaded.FileTime(0x41050040)->dwLowDateTime, LocalFileTime(2026, 12, 5).dwLowDateTime);
    EXPECT_EQ(loaded.Blob(0x00170041), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_FALSE(loaded.Has(0x41040040));
    EXPECT_EQ(loaded.Values().size(), 6u);
}

TEST_F(OutlookItemRecordTest, GettersGiveNothingForAbsentOrOtherKinds)
{
    OutlookItemRecord record(Tasks());
    record.SetString(0x0037001F, u"x");
    EXPECT_FALSE(record.Long(0x0037001F));
    EXPECT_FALSE(record.Blob(0x0037001F));
    EXPECT_FALSE(record.String(0x00380001F));
    EXPECT_EQ(record.StringOrEmpty(0x0038001F), u"");
    EXPECT_EQ(record.LongOr(0x00260003, 7), 7);
    // Narrow integer types keep their width.
    record.SetLong(0x00040002, 0x12345);
    EXPECT_EQ(record.Long(0x00040002), 0x2345);
    record.SetLong(0x00040012, -1);
    EXPECT_EQ(record.Long(0x00040012), 0xFFFF);
}

TEST_F(OutlookItemRecordTest, ASaveWritesOnlyWhatChanged)
{
    OutlookItemRecord record(Tasks());
    record.SetString(0x0037001F, u"first");
    record.SetLong(0x00260003, 2);
    ASSERT_EQ(record.Save(), S_OK);
    const CEOID oid = record.Oid();

    OutlookItemRecord item(Tasks());
    ASSERT_EQ(item.Load(oid), S_OK);
    // Written behind the item's back, after it was loaded.
    std::u16string subject = u"changed elsewhere";
    CEPROPVAL other[2] = {};
    other[0].propid = 0x0037001F;
    other[0].val.lpwstr = subject.data();
    other[1].propid = 0x2A110013;
    other[1].val.ulVal = 40;
    ASSERT_TRUE(WriteRaw(kTasksDatabase, oid, {other[0], other[1]}));

    item.SetLong(0x00260003, 1);
    EXPECT_TRUE(item.IsChanged(0x00260003));
    EXPECT_FALSE(item.IsChanged(0x0037001F));
    ASSERT_EQ(item.Save(), S_OK);
    EXPECT_EQ(ReadRaw(kTasksDatabase, oid, 0x0037001F).text, u"changed elsewhere");
    EXPECT_EQ(ReadRaw(kTasksDatabase, oid, 0x2A110013).val.val.ulVal, 40u);
    EXPECT_EQ(ReadRaw(kTasksDatabase, oid, 0x00260003).val.val.lVal, 1);

    item.Remove(0x00260003);
    EXPECT_TRUE(item.IsChanged(0x00260003));
    ASSERT_EQ(item.Save(), S_OK);
    EXPECT_FALSE(ReadRaw(kTasksDatabase, oid, 0x00260003).found);
    EXPECT_TRUE(ReadRaw(kTasksDatabase, oid, 0x2A110013).found);
    ASSERT_EQ(item.Reload(), S_OK);
    EXPECT_EQ(item.String(0x0037001F), u"changed elsewhere") << "a reload sees the other writes";
}

TEST_F(OutlookItemRecordTest, AMismatchedValueFailsTheWholeSave)
{
    OutlookItemRecord record(Tasks());
    record.SetString(0x0037001F, u"ok");
    ASSERT_EQ(record.Save(), S_OK);
    record.SetString(0x00260003, u"not a number");
    record.SetString(0x0037001F, u"not written");
    EXPECT_EQ(record.Save(), E_INVALIDARG);
    EXPECT_TRUE(record.IsChanged()) << "the changes stay pending";
    EXPECT_EQ(ReadRaw(kTasksDatabase, record.Oid(), 0x0037001F).text, u"ok");
}

TEST_F(OutlookItemRecordTest, LoadRefusesOidsOfOtherDatabases)
{
    OutlookItemRecord task(Tasks());
    task.SetString(0x0037001F, u"task");
    ASSERT_EQ(task.Save(), S_OK);
    OutlookItemRecord contact(PimDatabases::Oid(kContactsDatabase));
    contact.SetString(0x3A06001F, u"Ann");
    EXPECT_EQ(contact.Load(task.Oid()), E_INVALIDARG);
    EXPECT_TRUE(contact.IsNew()) << "left as it was";
    EXPECT_EQ(contact.String(0x3A06001F), u"Ann");
    EXPECT_EQ(contact.Load(0), E_INVALIDARG);
    EXPECT_EQ(contact.Load(0x7FFFFFF0), E_INVALIDARG);
    EXPECT_EQ(OutlookItemRecord().Save(), E_FAIL) << "no database";
}

TEST_F(OutlookItemRecordTest, DeleteAndCopy)
{
    OutlookItemRecord record(Tasks());
    record.SetString(0x0037001F, u"task");
    record.SetLong(0x00260003, 3);
    EXPECT_EQ(record.Delete(), E_FAIL) << "nothing stored yet";
    ASSERT_EQ(record.Save(), S_OK);

    OutlookItemRecord copy = record.CopyAsNew();
    EXPECT_TRUE(copy.IsNew());
    ASSERT_EQ(copy.Save(), S_OK);
    EXPECT_NE(copy.Oid(), record.Oid());
    EXPECT_EQ(ReadRaw(kTasksDatabase, copy.Oid(), 0x00260003).val.val.lVal, 3);
    EXPECT_EQ(RecordCount(kTasksDatabase), 2);

    const CEOID oid = record.Oid();
    ASSERT_EQ(record.Delete(), S_OK);
    EXPECT_TRUE(record.IsNew());
    EXPECT_FALSE(record.Has(0x0037001F));
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);
    OutlookItemRecord gone(Tasks());
    EXPECT_EQ(gone.Load(oid), E_INVALIDARG);
    // A deleted item is not stored again, with or without new values.
    EXPECT_EQ(record.Delete(), E_FAIL);
    record.SetString(0x0037001F, u"again");
    EXPECT_EQ(record.Save(), E_FAIL);
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);
}

}  // namespace
