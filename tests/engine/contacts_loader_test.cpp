// Contact list loads on a fixed store. Sections: Name lists; Group views; Typed search; Second lines and
// categories; Recent contacts and calls; Single changes; Row order.
#include <gtest/gtest.h>

#include <map>

#include "categories/full_category_list.h"
#include "engine/contacts_compare.h"
#include "engine/recent_contacts.h"
#include "platform/base/private_heap.h"
#include "platform/objectstore/call_log.h"
#include "tests/engine/contacts_store.h"

using namespace contacttest;

namespace {

const std::u16string kGiant(3000, u'x');
const std::u16string kGiantShown(kContactsNameChars - 1, u'x');

class ContactsLoaderTest : public loadertest::LoaderSandbox {
protected:
    void SetUp() override
    {
        loadertest::LoaderSandbox::SetUp();
        cattest::WriteCategories({{u"Home", 0}, {u"Work", 1}});
        ResetFullCategoryList();
    }
    // Accented and mixed-case names, contacts with one name or none, several categories, a blob that is
    // not a category blob, a bit that names no category, and a name longer than the join buffer.
    void WriteFixedStore()
    {
        oid[u"A"] = WriteContact({.given = u"Émile",
                                  .surname = u"Zola",
                                  .fileAs = u"Zola, Émile",
                                  .company = u"Acme",
                                  .categories = loadertest::BlobOf({0}),
                                  .email = u"emile@zola.fr"});
        oid[u"B"] = WriteContact({.given = u"anna",
                                  .surname = u"Berg",
                                  .fileAs = u"Berg, anna",
                                  .company = u"acme",
                                  .homeCity = u"Bergen",
                                  .otherCountry = u"Sweden",
                                  .businessPhone = u"111",
                                  .mobilePhone = u"222",
                                  .preferred = kContactMobileTelephoneNumber});
        oid[u"C"] = WriteContact({.given = u"Carl",
                                  .fileAs = u"Carl",
                                  .company = u"Zeta",
                                  .businessPhone = u"555-0101",
                                  .preferred = kContactFileAs});
        oid[u"D"] = WriteContact({.surname = u"Dahl", .fileAs = u"Dahl", .categories = loadertest::BlobOf({5})});
        oid[u"E"] = WriteContact({.fileAs = u"Echo Corp", .categories = {0xFF, 0xFF, 0xFF}});
        oid[u"F"] = WriteContact({});
        oid[u"G"] = WriteContact({.given = u"Greta",
                                  .surname = u"Garbo",
                                  .fileAs = u"Garbo, Greta",
                                  .company = u"Acme",
                                  .categories = loadertest::BlobOf({0, 1}),
                                  .department = u"Sales",
                                  .businessCity = u"Oslo",
                                  .homeState = u"Viken",
                                  .businessCountry = u"Norway"});
        oid[u"H"] = WriteContact({.given = kGiant, .fileAs = u"Huge"});
    }
    std::map<std::u16string, CEOID> oid;
};

// ---- Name lists ----

TEST_F(ContactsLoaderTest, NameListsShowEveryContactInTheirOrderAndName)
{
    WriteFixedStore();
    const struct {
        int format;
        std::vector<std::u16string> names;
    } cases[] = {
        {0, {u"", u"anna Berg", u"Carl", u"Dahl", u"Echo Corp", u"Émile Zola", u"Greta Garbo", kGiantShown}},
        {1, {u"", u"Berg, anna", u"Carl", u"Dahl", u"Echo Corp", u"Garbo, Greta", kGiantShown, u"Zola, Émile"}},
        {3, {u"", u"Berg, anna", u"Carl", u"Dahl", u"Echo Corp", u"Garbo, Greta", u"Huge", u"Zola, Émile"}},
        // The company view stored as 4 shows the name list of the group name format.
        {4, {u"", u"Berg, anna", u"Carl", u"Dahl", u"Echo Corp", u"Garbo, Greta", kGiantShown, u"Zola, Émile"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        SetContactSetting(u"DisplayFormat", c.format);
        CContactsThread loader;
        LPARAM reported = -1;
        ASSERT_TRUE(Load(loader, &reported));
        EXPECT_EQ(Names(loader), c.names);
        EXPECT_EQ(reported, 8);
    }
}

TEST_F(ContactsLoaderTest, StoredFormatsReadAsTheViewsTheyStandFor)
{
    const struct {
        int format, groupNameFormat, read;
        bool namesOnly;
    } cases[] = {
        {4, 0, 0, false},  {4, 2, 3, false},  {4, 7, 1, false},  // the company view turns into a name list
        {5, 1, 3, true},   {99, 1, 3, true},  {-1, 1, 3, true},  // unknown formats show the file-as list
        {10, 1, 10, true}, {12, 1, 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        SetContactSetting(u"DisplayFormat", static_cast<ULONG>(c.format));
        SetContactSetting(u"CV_DisplayFormatCompany", c.groupNameFormat);
        SetContactSetting(u"ShowNamesOnly", 1);
        ContactsViewSettings settings;
        settings.Read(kContactsSettingsKey);
        EXPECT_EQ(settings.displayFormat, c.read);
        EXPECT_EQ(settings.showNamesOnly, c.namesOnly);
    }
}

TEST_F(ContactsLoaderTest, ContactTooLargeForTheReadBufferIsStillListed)
{
    WriteFixedStore();
    const std::u16string huge(20000, u'y');
    const CEOID big = WriteContact({.given = u"Yan", .surname = huge, .fileAs = huge});
    SetContactSetting(u"DisplayFormat", 1);
    CContactsThread loader;
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(loader.CatCache().size(), 9u);
    const DATACONTACTS* row = loader.GetDataList().at(7);  // after the names beginning with x
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->oid, big);
    EXPECT_EQ(Text(row->displayName).size(), static_cast<size_t>(kContactsNameChars - 1));
}

// ---- Group views ----

TEST_F(ContactsLoaderTest, GroupViewsShowEachValueOnceWithItsMemberCount)
{
    WriteFixedStore();
    const struct {
        int format;
        std::vector<std::u16string> headers;
    } cases[] = {
        {2, {u"[(none) (4)]", u"[acme (3)]", u"[Zeta (1)]"}},
        {6, {u"[Home (2)]", u"[Work (1)]", u"[(none) (6)]"}},
        {7, {u"[(none) (7)]", u"[Sales (1)]"}},
        {8, {u"[(none) (6)]", u"[Bergen (1)]", u"[Oslo (1)]"}},
        {9, {u"[(none) (7)]", u"[Viken (1)]"}},
        {10, {u"[(none) (6)]", u"[Norway (1)]", u"[Sweden (1)]"}},
    };
    CContactsThread loader;  // one loader through every format: the cache follows each change
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        SetContactSetting(u"DisplayFormat", c.format);
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(Names(loader), c.headers);
    }
}

TEST_F(ContactsLoaderTest, OpeningAHeaderListsItsMembersAndClosingRemovesThem)
{
    WriteFixedStore();
    SetContactSetting(u"DisplayFormat", 2);
    CContactsThread loader;
    ASSERT_TRUE(Load(loader));
    const DATACONTACTS* acme = RowNamed(loader, u"acme");
    ASSERT_NE(acme, nullptr);
    EXPECT_EQ(loader.TreeAddList(acme->oid, 0, false), 3);
    EXPECT_EQ(Names(loader), (std::vector<std::u16string>{u"[(none) (4)]", u"[acme (3)]", u"Berg, anna",
                                                          u"Garbo, Greta", u"Zola, Émile", u"[Zeta (1)]"}));
    EXPECT_TRUE(loader.IsGroupHeaderOpen(acme));
    // The open state outlives a reload.
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(Names(loader).size(), 6u);
    loader.TreeDeleteList(RowNamed(loader, u"acme")->oid);
    EXPECT_EQ(Names(loader), (std::vector<std::u16string>{u"[(none) (4)]", u"[acme (3)]", u"[Zeta (1)]"}));
    EXPECT_EQ(loader.TreeAddList(12345, 0, false), -1);
}

TEST_F(ContactsLoaderTest, TypedSearchInAGroupViewCountsAndOpensOnlyMatches)
{
    WriteFixedStore();
    SetContactSetting(u"DisplayFormat", 2);
    CContactsThread loader;
    loader.SetCompareString(u"gar", false, 0);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(Names(loader), (std::vector<std::u16string>{u"[acme (1)]", u"Garbo, Greta"}));
    SetContactSetting(u"OpenOnCompare", 0);  // headers then stay closed
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(Names(loader), (std::vector<std::u16string>{u"[acme (1)]"}));
}

// ---- Typed search ----

TEST_F(ContactsLoaderTest, TypedSearchListsTheRunOfMatchingContacts)
{
    WriteFixedStore();
    const struct {
        const WCHAR* text;
        bool allFields;
        int namesOnly;
        std::vector<std::u16string> names;
    } cases[] = {
        {u"EMI", false, 0, {u"Zola, Émile"}},  // accents and case ignored
        {u"ber", false, 0, {u"Berg, anna"}},
        {u"a", false, 0, {u"Berg, anna"}},  // the given name begins with it
        {u"a", false, 1, {}},               // one letter with names only: the file-as name alone
        {u"c", false, 1, {u"Carl"}},
        {u"zzz", false, 0, {}},
        {u"acme", true, 0, {u"Berg, anna", u"Garbo, Greta", u"Zola, Émile"}},
        {u"GRETA sales", true, 0, {}},  // each word must be in a cached name
        {u"anna berg", true, 0, {u"Berg, anna"}},
        {u"5550101", true, 0, {u"Carl"}},  // the number's dialable form
        {u"ZOLA.FR", true, 0, {u"Zola, Émile"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(loadertest::Utf8(c.text));
        CContactsThread loader;
        EXPECT_TRUE(loader.SetCompareString(c.text, c.allFields, c.namesOnly));
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(Names(loader), c.names);
    }
    CContactsThread cleared;
    EXPECT_FALSE(cleared.SetCompareString(u"", false, 0));
    EXPECT_FALSE(cleared.IsCompareString());
}

// ---- Second lines and categories ----

TEST_F(ContactsLoaderTest, SecondLineShowsThePreferredOrFirstFilledField)
{
    WriteFixedStore();
    CContactsThread loader;
    ASSERT_TRUE(Load(loader));
    const struct {
        std::u16string name, line;
        ULONG field;
        std::u16string categories;
    } cases[] = {
        {u"Berg, anna", u"222", kContactMobileTelephoneNumber, u""},
        {u"Carl", u"555-0101", kContactBusinessTelephoneNumber, u""},  // a preferred field that is no number
        {u"Zola, Émile", u"emile@zola.fr", kContactEmail1Address, u"Home"},
        {u"Garbo, Greta", u"", 0, u"Home, Work"},
        {u"Echo Corp", u"", 0, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(loadertest::Utf8(c.name.c_str()));
        const DATACONTACTS* row = RowNamed(loader, c.name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(Text(row->secondLine), c.line);
        EXPECT_EQ(row->secondLineField, c.field);
        EXPECT_EQ(Text(row->categories), c.categories);
    }
    SetContactSetting(u"ShowNamesOnly", 1);
    loader.SetLastRowRead(0);  // a reload from the top
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(RowNamed(loader, u"Berg, anna")->secondLine, nullptr);
}

TEST_F(ContactsLoaderTest, CategoryRestrictionListsOnlyItsContacts)
{
    WriteFixedStore();
    CContactsThread loader;
    CCategoryFilterInfo* info = nullptr;
    loader.GetCategoryRestrict(info);
    info->SetSelected(new CePtrList<CFullCategory*>);
    info->m_pSelected->Append(new CFullCategory(u"Home", 0, 0));
    loader.SetCategoryRestrict(false);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(Names(loader), (std::vector<std::u16string>{u"Garbo, Greta", u"Zola, Émile"}));
    loader.SetCompareString(u"z", false, 0);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(Names(loader), (std::vector<std::u16string>{u"Zola, Émile"}));
}

// ---- Recent contacts and calls ----

TEST_F(ContactsLoaderTest, RecentAndCallLogViewsListTheirOwnEntries)
{
    WriteFixedStore();
    for (CEOID opened : {oid[u"C"], CEOID{0x7777}, oid[u"A"]}) CRecentContacts::MarkRecent(opened);
    const auto at = [](int minute) { return FILETIME{static_cast<DWORD>(minute * 600000000u), 31000000}; };
    platform::AddCallLogEntry({.number = u"+1 555 0101", .name = u"Ann Lee", .start = at(1), .missed = true});
    platform::AddCallLogEntry(
        {.start = at(2), .durationSeconds = 65, .direction = platform::kCallOutgoing, .contact = oid[u"C"]});
    const struct {
        int format;
        std::vector<std::u16string> starts;  // each row's name begins so
    } cases[] = {
        {11, {u"Zola, Émile", u"Carl"}},  // newest first; a contact that is gone is passed over
        {12,
         {u"<IMG SRC=call_out><B>Unknown</B><BR><I>",
          u"<FONT COLOR=#FF0000><B>!</B></FONT> <IMG SRC=call_in><B>Ann Lee</B><BR><I>+1 555 0101 "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        SetContactSetting(u"DisplayFormat", c.format);
        CContactsThread loader;
        LPARAM reported = -1;
        ASSERT_TRUE(Load(loader, &reported));
        const std::vector<std::u16string> names = Names(loader);
        ASSERT_EQ(names.size(), c.starts.size());
        EXPECT_EQ(reported, static_cast<LPARAM>(c.starts.size()));
        for (size_t i = 0; i < names.size(); ++i) EXPECT_TRUE(names[i].starts_with(c.starts[i])) << i;
    }
}

TEST_F(ContactsLoaderTest, TheCallLogIsListedWithoutAContactsDatabase)
{
    platform::AddCallLogEntry({.number = u"+1 555 0199", .name = u"Bo Ek", .start = FILETIME{0, 31000000}});
    SetContactSetting(u"DisplayFormat", kContactsCallLog);
    CContactsThread loader;
    LPARAM reported = -1;
    ASSERT_TRUE(Load(loader, &reported));
    EXPECT_EQ(reported, 1);
    const std::vector<std::u16string> names = Names(loader);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_NE(names[0].find(u"<B>Bo Ek</B>"), std::u16string::npos) << WideToUtf8(names[0]);
}

// ---- Single changes ----

TEST_F(ContactsLoaderTest, SingleChangesKeepTheCacheAsAFreshLoadReadsIt)
{
    auto snapshot = [](const CContactsThread& loader) {
        std::vector<std::u16string> rows;
        for (const auto& e : loader.CatCache()) {
            rows.push_back(std::u16string(CCatCache::View(e->fileAs)) + u"|" +
                           std::u16string(CCatCache::View(e->groupValue)) + u"|" +
                           std::u16string(1, static_cast<WCHAR>(e->blobSize + u'0')));
        }
        return rows;
    };
    for (int format : {1, 2, 6}) {
        SCOPED_TRACE(format);
        TearDown();
        SetUp();
        WriteFixedStore();
        SetContactSetting(u"DisplayFormat", format);
        CContactsThread loader;
        ASSERT_TRUE(Load(loader));
        const CEOID added = WriteContact({.given = u"Ada",
                                          .surname = u"Byron",
                                          .fileAs = u"Byron, Ada",
                                          .company = u"Zeta",
                                          .categories = loadertest::BlobOf({1})});
        EXPECT_TRUE(loader.AddCatCacheItem(added));
        WriteContact({.given = u"anna", .surname = u"Young", .fileAs = u"Young, anna", .company = u"Beta"}, oid[u"B"]);
        EXPECT_TRUE(loader.UpdateCatCacheItem(oid[u"B"]));
        ASSERT_TRUE(DeleteContact(oid[u"G"]));
        EXPECT_TRUE(loader.DeleteCatCacheItem(oid[u"G"]));
        EXPECT_FALSE(loader.DeleteCatCacheItem(oid[u"G"]));
        EXPECT_EQ(RowNamed(loader, u"Garbo, Greta"), nullptr);
        CContactsThread fresh;
        ASSERT_TRUE(Load(fresh));
        EXPECT_EQ(snapshot(loader), snapshot(fresh));
    }
}

// ---- Row order ----

TEST(ContactsRowOrder, ComparisonsPlaceNullLastAndSpecialRowsFirst)
{
    HANDLE heap = HeapCreate(0, 0x10000, 0);
    auto row = [&](const WCHAR* name, DWORD oid, LONG group, BYTE header, BYTE last) {
        auto* r = new (heap) DATACONTACTS;
        r->displayName = DATACONTACTS::HeapText(heap, name);
        r->oid = oid;
        r->groupIndex = group;
        r->header = header;
        r->lastRow = last;
        return r;
    };
    const struct {
        DATACONTACTS *a, *b;
        int full, simple;  // sign of CompareFunc and CompareFuncSimple
    } cases[] = {
        {row(u"b", 5, 0, 0, 0), nullptr, -1, -1},
        {row(u"a", 5, 0, 0, 1), row(u"z", 6, 0, 0, 0), 1, 1},
        {row(u"a", 5, 0, 0, 1), row(u"z", 6, 0, 0, 1), 0, 0},
        {row(u"z", 5, 0, 0, 0), row(u"a", 6, 1, 0, 0), -1, 1},
        {row(u"z", 5, 1, 1, 0), row(u"a", 6, 1, 0, 0), -1, 1},
        {row(u"z", kContactsSpecialRowOid, 0, 0, 0), row(u"a", 6, 0, 0, 0), 1, -1},
        {row(u"ÉMILE", 5, 0, 0, 0), row(u"emile", 6, 0, 0, 0), 0, 0},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& c : cases) {
        EXPECT_EQ(sign(CompareFunc(c.a, c.b)), c.full);
        EXPECT_EQ(sign(CompareFuncSimple(c.a, c.b)), c.simple);
        EXPECT_EQ(sign(CompareFunc(c.b, c.a)), -c.full);
    }
    HeapDestroy(heap);
}

}  // namespace
