// One read block taking records in turn: the entry map it keeps from one
// record to the next follows changes of stored order, listed ids and shape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/objectstore/cedb_record_block.h"
#include "platform/objectstore/cedb_record_codec.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using namespace cedbtest;
using platform::cedb::EncodeRecord;
using platform::cedb::PropFromValue;
using platform::cedb::RecordBlock;
using platform::cedb::StoredProp;

std::string Stored(const std::vector<CEPROPVAL>& values)
{
    std::vector<StoredProp> props;
    for (const auto& v : values) {
        StoredProp p;
        EXPECT_EQ(PropFromValue(v, p), ERROR_SUCCESS);
        props.push_back(p);
    }
    return EncodeRecord(props);
}

const BYTE kThree[] = {1, 2, 3};

TEST(CedbRecordBlock, OneBlockFollowsEachRecordsOrderListedIdsAndDamage)
{
    const std::string abc = Stored({I4(1, 7), Str(2, u"ab"), Blob(3, kThree, 3)});
    const std::string longer = Stored({I4(1, 5), Str(2, u"abcd"), Blob(3, kThree, 3)});  // abc's order, new lengths
    const std::string reversed = Stored({Blob(3, kThree, 3), Str(2, u"xyz"), I4(1, 8)});
    const std::string lacking = Stored({I4(1, 9)});
    const std::string other = Stored({I4(1, 7), Str(2, u"ab"), I4(3, 4)});  // id 3's number, another type
    std::string damaged = abc;
    damaged[16] = 0x7F;  // the string's length runs past the end
    const std::vector<CEPROPID> twoOne = {MAKEPROPID(2, CEVT_LPWSTR), MAKEPROPID(1, CEVT_I4)};
    const std::vector<CEPROPID> repeated = {MAKEPROPID(2, CEVT_LPWSTR), MAKEPROPID(1, CEVT_I4), MAKEPROPID(2, CEVT_LPWSTR)};
    const std::vector<CEPROPID> blob = {MAKEPROPID(3, CEVT_BLOB)};
    struct Case {
        const std::string* record;
        const std::vector<CEPROPID>* ids;  // null: every property
        std::vector<std::string> entries;  // empty: refused as damaged
        size_t tail;
    };
    // One block reads the rows in turn, so each row meets the map the one
    // before it left.
    const Case cases[] = {
        {&abc, &twoOne, {"2/LPWSTR='ab'", "1/I4=7"}, 6},
        {&abc, &twoOne, {"2/LPWSTR='ab'", "1/I4=7"}, 6},
        {&longer, &twoOne, {"2/LPWSTR='abcd'", "1/I4=5"}, 10},
        {&reversed, &twoOne, {"2/LPWSTR='xyz'", "1/I4=8"}, 8},
        {&lacking, &twoOne, {"2/LPWSTR=missing", "1/I4=9"}, 0},
        {&damaged, &twoOne, {}, 0},
        {&abc, &twoOne, {"2/LPWSTR='ab'", "1/I4=7"}, 6},
        // An order met before: the entry its record lacks is empty again.
        {&lacking, &twoOne, {"2/LPWSTR=missing", "1/I4=9"}, 0},
        {&reversed, &twoOne, {"2/LPWSTR='xyz'", "1/I4=8"}, 8},
        {&abc, &repeated, {"2/LPWSTR='ab'", "1/I4=7", "2/LPWSTR='ab'"}, 12},
        {&reversed, &repeated, {"2/LPWSTR='xyz'", "1/I4=8", "2/LPWSTR='xyz'"}, 16},
        {&abc, &blob, {"3/BLOB=[01 02 03]"}, 4},
        {&other, &blob, {"3/BLOB=missing"}, 0},
        {&abc, nullptr, {"1/I4=7", "2/LPWSTR='ab'", "3/BLOB=[01 02 03]"}, 10},
        {&reversed, nullptr, {"3/BLOB=[01 02 03]", "2/LPWSTR='xyz'", "1/I4=8"}, 12},
        {&damaged, nullptr, {}, 0},
        {&lacking, nullptr, {"1/I4=9"}, 0},
    };
    RecordBlock block;
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE("row " + std::to_string(row));
        const CEPROPID* ids = c.ids ? c.ids->data() : nullptr;
        const auto count = static_cast<WORD>(c.ids ? c.ids->size() : 0);
        if (c.entries.empty()) {
            EXPECT_EQ(block.Assign(*c.record, ids, count), ERROR_FILE_CORRUPT);
            continue;
        }
        ASSERT_EQ(block.Assign(*c.record, ids, count), ERROR_SUCCESS);
        ASSERT_EQ(block.Count(), c.entries.size());
        ASSERT_EQ(block.Bytes(), c.entries.size() * sizeof(CEPROPVAL) + c.tail);
        std::vector<CEPROPVAL> memory(block.Bytes() / sizeof(CEPROPVAL) + 1);
        auto* bytes = reinterpret_cast<BYTE*>(memory.data());
        block.Fill(bytes);
        std::vector<std::string> entries;
        for (WORD i = 0; i < block.Count(); ++i) {
            entries.push_back(Describe(memory[i]));
            // Every entry's text or bytes lie in the block, each its own copy.
            if (TypeFromPropID(memory[i].propid) == CEVT_LPWSTR && !(memory[i].wFlags & CEDB_PROPNOTFOUND)) {
                auto* at = reinterpret_cast<BYTE*>(memory[i].val.lpwstr);
                EXPECT_GE(at, bytes + block.Count() * sizeof(CEPROPVAL));
                EXPECT_LE(at, bytes + block.Bytes());
                for (WORD j = 0; j < i; ++j) EXPECT_NE(memory[j].val.lpwstr, memory[i].val.lpwstr);
            }
        }
        EXPECT_EQ(entries, c.entries);
    }
}

TEST(CedbRecordBlock, EveryCutOfARecordWhoseOrderTheBlockKnowsIsRefused)
{
    const std::string record = Stored({I2(1, 1), Str(2, u"text"), R8(3, 2.5), Blob(4, kThree, 3), UI4(5, 6)});
    const std::vector<CEPROPID> ids = {MAKEPROPID(5, CEVT_UI4), MAKEPROPID(2, CEVT_LPWSTR)};
    RecordBlock block;
    ASSERT_EQ(block.Assign(record, ids.data(), 2), ERROR_SUCCESS);
    for (size_t cut = 0; cut < record.size(); ++cut)
        EXPECT_EQ(block.Assign(record.substr(0, cut), ids.data(), 2), ERROR_FILE_CORRUPT) << "cut at " << cut;
    EXPECT_EQ(block.Assign(record + '\0', ids.data(), 2), ERROR_FILE_CORRUPT);
    ASSERT_EQ(block.Assign(record, ids.data(), 2), ERROR_SUCCESS);
    EXPECT_EQ(block.Bytes(), 2 * sizeof(CEPROPVAL) + 10);
}

// Records in more stored orders than the block keeps plans for: each record
// holds id 1 and one extra id of its own, in an order of its own, so every
// record needs its own plan; read twice over, past the point where the block
// starts its plans afresh, each still gives its own values.
TEST(CedbRecordBlock, RecordsInManyStoredOrdersEachReadTheirOwnValues)
{
    constexpr int kOrders = 150;
    std::vector<std::string> records;
    for (int k = 0; k < kOrders; ++k) {
        const auto extra = static_cast<WORD>(10 + k);
        records.push_back(k % 2 ? Stored({I4(1, k), I4(extra, -k)}) : Stored({I4(extra, -k), I4(1, k)}));
    }
    // The listed ids name id 1 and the first record's extra one.
    const std::vector<CEPROPID> ids = {MAKEPROPID(10, CEVT_I4), MAKEPROPID(1, CEVT_I4)};
    RecordBlock block;
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < kOrders; ++k) {
            SCOPED_TRACE("pass " + std::to_string(pass) + " record " + std::to_string(k));
            ASSERT_EQ(block.Assign(records[k], ids.data(), 2), ERROR_SUCCESS);
            std::vector<CEPROPVAL> memory(block.Bytes() / sizeof(CEPROPVAL) + 1);
            block.Fill(reinterpret_cast<BYTE*>(memory.data()));
            EXPECT_EQ(Describe(memory[0]), k == 0 ? "10/I4=0" : "10/I4=missing");
            EXPECT_EQ(Describe(memory[1]), "1/I4=" + std::to_string(k));
        }
    }
}

}  // namespace
