// A fresh store, settings file and pinned clock (7 December 2026, 10:00) per item test, with the
// object model logged on for reading items back behind the code under test.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/base/local_block.h"
#include "platform/files/data_directory.h"
#include "platform/text/utf8.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/owned_bstr.h"
#include "platform/time/clock.h"
#include "storage/c_outlook.h"
#include "storage/c_registry.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/outlook_session.h"
#include "tests/support/test_dates.h"

namespace itemtest {

using platform::ComRef;
using platform::OwnedBstr;

class ItemSandbox : public StoreSandbox {
protected:
    void SetUp() override
    {
        StoreSandbox::SetUp();
        platform::SetPinnedNow(kstest::Make(2026, 12, 7, 10));
        today = kstest::Ole(2026, 12, 7);
        ASSERT_EQ(session.Open(), S_OK);
    }
    void TearDown() override
    {
        session.Close();
        platform::ClearPinnedNow();
        StoreSandbox::TearDown();
    }

    template <class Item>
    ComRef<Item> Open(LONG oid)
    {
        ComRef<IDispatch> found;
        if (FAILED(app->GetItemFromOid(oid, found.Put()))) return {};
        return ComRef<Item>::Query(found.Get());
    }
    template <class Item>
    static std::u16string Text(Item* item, HRESULT (Item::*getter)(BSTR*))
    {
        OwnedBstr text;
        EXPECT_EQ((item->*getter)(text.Put()), S_OK);
        return text.Get() ? std::u16string(text.Get(), SysStringLen(text.Get())) : std::u16string();
    }
    static void SetSetting(const WCHAR* key, const WCHAR* name, ULONG value)
    {
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
        ASSERT_EQ(settings.SetValue(name, value), 0);
    }

    kstest::OutlookSession session;
    ComRef<IPOutlookApp>& app = session.app;
    double today = 0;
};

// The host path of a device path.
inline std::string HostPath(std::u16string device)
{
    for (char16_t& c : device)
        if (c == u'\\') c = u'/';
    return platform::DeviceRootDirectory() + WideToUtf8(device);
}

}  // namespace itemtest

namespace itemtest {

// One property of a stored record, read behind the object model; nothing when the record lacks it.
inline std::optional<CEPROPVAL> StoredProp(CEOID oid, CEPROPID id, const WCHAR* database = kTasksDatabase)
{
    CEOID dbOid = PimDatabases::Oid(database);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<CEPROPVAL> result;
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, oid, nullptr) == oid) {
        WORD count = 1;
        platform::LocalBlock buffer;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, &id, buffer.InOut(), &size)) {
            const auto* prop = buffer.As<CEPROPVAL>();
            if (!(prop->wFlags & CEDB_PROPNOTFOUND)) result = *prop;  // numbers only: nothing points into the block
        }
    }
    CloseHandle(db);
    return result;
}

}  // namespace itemtest
