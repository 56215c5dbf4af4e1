// Lists refreshed row by row after store changes, compared with a fresh load of the same store.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "engine/store_change_burst.h"
#include "platform/objectstore/cedb.h"
#include "tests/engine/contacts_store.h"

using namespace contacttest;

namespace {

TEST(StoreChangeBurstTest, GathersEachRecordOnceAndKnowsWhenToReadAll)
{
    const STORECHANGE twice[] = {{7, 5, DB_CEOID_CREATED}, {8, 6, DB_CEOID_CHANGED}, {7, 5, DB_CEOID_RECORD_DELETED}};
    EXPECT_EQ(SummariseChanges({std::begin(twice), std::end(twice)}).records, (std::vector<CEOID>{5, 6}));
    EXPECT_EQ(SummariseChanges({std::begin(twice), std::end(twice)}, 8).records, (std::vector<CEOID>{6}));
    EXPECT_TRUE(SummariseChanges({{7, 0, DB_CEOID_CHANGED}}).readAll);
    EXPECT_TRUE(SummariseChanges({{7, 7, DB_CEOID_DATABASE_DELETED}}).readAll);
    EXPECT_FALSE(BurstNeedsReload({false, {1, 2}}, 16));
    EXPECT_TRUE(BurstNeedsReload({false, {1, 2}}, 15));
}

class ListRefreshTest : public loadertest::LoaderSandbox {
protected:
    void SetUp() override
    {
        loadertest::LoaderSandbox::SetUp();
        cattest::WriteCategories({{u"Home", 0}});
        work = cattest::WriteCategory(u"Work", 1);
        ResetFullCategoryList();
    }
    CEOID work = 0;
};

void SelectHome(CContactsThread& loader)
{
    CCategoryFilterInfo* info = nullptr;
    loader.GetCategoryRestrict(info);
    info->SetSelected(new CePtrList<CFullCategory*>);
    info->m_pSelected->Append(new CFullCategory(u"Home", 0, 0));
    loader.SetCategoryRestrict(false);
}

std::unique_ptr<CContactsThread> LoadedContacts(bool restricted)
{
    auto loader = std::make_unique<CContactsThread>();
    if (restricted) SelectHome(*loader);
    EXPECT_TRUE(Load(*loader));
    return loader;
}

std::vector<std::u16string> ContactRows(const CContactsThread& loader)
{
    std::vector<std::u16string> rows;
    for (const DATACONTACTS* row : loader.GetDataList()) {
        rows.push_back(!row ? u"<slot>"
                            : Text(row->displayName) + u"|" + Text(row->secondLine) + u"|" + Text(row->categories));
    }
    return rows;
}

TEST_F(ListRefreshTest, ContactsRefreshedAfterRandomChangesEqualAFreshLoad)
{
    const struct {
        ULONG format;
        bool restricted;
        unsigned seed;
    } cases[] = {{0, false, 1}, {1, false, 2}, {3, true, 3}, {0, true, 4}};
    // Unique file-as names; given names repeat, so equal ones meet in the given-name order.
    const std::u16string given[] = {u"Ann", u"bo", u"Émile", u"Ann", u""};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        TearDown();
        SetUp();
        SetContactSetting(u"DisplayFormat", c.format);
        std::mt19937 random(c.seed);
        int serial = 0;
        auto randomContact = [&] {
            const int n = serial++;
            const std::u16string surname{static_cast<WCHAR>(u'A' + random() % 26), static_cast<WCHAR>(u'a' + n / 26),
                                         static_cast<WCHAR>(u'a' + n % 26)};
            const std::u16string first = given[random() % 5];
            return ContactFields{.given = first,
                                 .surname = surname,
                                 .fileAs = surname + u", " + first,
                                 .categories = loadertest::BlobOf({static_cast<int>(random() % 2)}),
                                 .mobilePhone = random() % 2 ? u"555" : u""};
        };
        std::vector<CEOID> oids;
        for (int i = 0; i < 24; ++i) oids.push_back(WriteContact(randomContact()));
        std::unique_ptr<CContactsThread> refreshed = LoadedContacts(c.restricted);
        for (int round = 0; round < 8; ++round) {
            std::vector<CEOID> changed;
            for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) {
                const size_t at = random() % oids.size();
                const unsigned kind = random() % 3;
                if (kind == 0) oids.push_back(WriteContact(randomContact()));
                if (kind == 1) WriteContact(randomContact(), oids[at]);
                if (kind == 2) {
                    ASSERT_TRUE(DeleteContact(oids[at]));
                }
                changed.push_back(kind == 0 ? oids.back() : oids[at]);
                if (kind == 2) oids.erase(oids.begin() + static_cast<long>(at));
            }
            ASSERT_TRUE(refreshed->RefreshRecords(changed));
            ASSERT_EQ(ContactRows(*refreshed), ContactRows(*LoadedContacts(c.restricted))) << "round " << round;
        }
    }
}

TEST_F(ListRefreshTest, ContactListsOnlyALoadCanBringUpToDateAreLeftAsTheyAre)
{
    auto setting = [](const WCHAR* name, ULONG value) { return [=](CContactsThread&) { SetContactSetting(name, value); }; };
    // A group view, a recent list, a typed search, a format changed since the load; in a name list after the
    // load: a category flag, a category selection (with and without manual settings), a category renamed.
    const struct {
        ULONG format;
        const WCHAR* search;
        std::function<void(CContactsThread&)> afterLoad;
        bool manual = false;
    } cases[] = {{2, nullptr, [](CContactsThread&) {}},
                 {11, nullptr, [](CContactsThread&) {}},
                 {3, u"c", [](CContactsThread&) {}},
                 {3, nullptr, setting(u"DisplayFormat", 0)},
                 {0, nullptr, setting(u"bHideCategories", 1)},
                 {0, nullptr, SelectHome},
                 {0, nullptr, SelectHome, true},
                 {0, nullptr, [&](CContactsThread&) { cattest::WriteCategory(u"Office", 1, work); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TearDown();
        SetUp();
        SetContactSetting(u"DisplayFormat", c.format);
        const CEOID carl = WriteContact({.given = u"Carl", .fileAs = u"Carl", .categories = loadertest::BlobOf({1})});
        CContactsThread loader;
        loader.SetManualSettings(c.manual);
        if (c.search) loader.SetCompareString(c.search, false, 0);
        ASSERT_TRUE(Load(loader));
        const std::vector<std::u16string> before = ContactRows(loader);
        c.afterLoad(loader);
        ASSERT_TRUE(DeleteContact(carl));
        EXPECT_FALSE(loader.RefreshRecords({carl}));
        EXPECT_EQ(ContactRows(loader), before);
        // The declined check may have read the new state: the next burst must not refresh either.
        EXPECT_FALSE(loader.RefreshRecords({carl}));
    }
}

}  // namespace
