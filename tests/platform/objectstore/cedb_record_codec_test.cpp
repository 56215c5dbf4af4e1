// The stored form of records: no damaged byte string decodes (or crashes the decoder).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/objectstore/cedb_record_block.h"
#include "platform/objectstore/cedb_record_codec.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using namespace cedbtest;
using platform::cedb::DecodeRecord;
using platform::cedb::EncodeRecord;
using platform::cedb::MergeProps;
using platform::cedb::PropFromValue;
using platform::cedb::RecordBlock;
using platform::cedb::StoredProp;

std::vector<StoredProp> FromValues(const std::vector<CEPROPVAL>& values)
{
    std::vector<StoredProp> props;
    for (const auto& v : values) {
        StoredProp p;
        EXPECT_EQ(PropFromValue(v, p), ERROR_SUCCESS);
        props.push_back(p);
    }
    return props;
}

// The decoded properties in the readable form of the tests (texts and blobs by key only).
std::vector<std::string> Described(const std::vector<StoredProp>& props)
{
    std::vector<std::string> out;
    for (const auto& p : props) {
        CEPROPVAL v{};
        v.propid = p.id;
        const bool inline_ = TypeFromPropID(p.id) != CEVT_LPWSTR && TypeFromPropID(p.id) != CEVT_BLOB;
        out.push_back(inline_ ? (v.val = p.value, Describe(v)) : Key(p.id));
    }
    return out;
}

std::vector<CEPROPVAL> Sample()
{
    static const BYTE bytes[] = {0, 1, 2, 0xFF, 0};
    return {I2(1, -2),
            UI2(2, 65000),
            I4(3, -70000),
            UI4(4, 4000000000u),
            R8(5, 3.25),
            Bool(6, 1),
            Time(7, 0x0123456789ABCDEFull),
            Str(8, u"tête-à-tête"),
            Str(9, u""),
            Blob(10, bytes, 5),
            Blob(11, nullptr, 0)};
}

TEST(CedbRecordCodec, DamagedBytesNeverDecodeAndRandomOnesNeverOverrun)
{
    std::vector<StoredProp> out;
    ASSERT_EQ(DecodeRecord(EncodeRecord({}), out), ERROR_SUCCESS);
    EXPECT_TRUE(out.empty());
    std::string stored = EncodeRecord(FromValues(Sample()));
    for (size_t cut = 0; cut < stored.size(); ++cut)
        EXPECT_EQ(DecodeRecord(stored.substr(0, cut), out), ERROR_FILE_CORRUPT) << "cut at " << cut;
    EXPECT_EQ(DecodeRecord(stored + '\0', out), ERROR_FILE_CORRUPT);

    std::string version = stored;
    version[0] = 2;
    EXPECT_EQ(DecodeRecord(version, out), ERROR_FILE_CORRUPT);

    std::string count = stored;
    count[1] = static_cast<char>(0xFF);  // more properties than bytes
    EXPECT_EQ(DecodeRecord(count, out), ERROR_FILE_CORRUPT);

    // Repeated identifier, unknown type, string longer than the record.
    EXPECT_EQ(DecodeRecord(EncodeRecord(FromValues({I4(1, 1), I4(1, 2)})), out), ERROR_FILE_CORRUPT);
    EXPECT_EQ(DecodeRecord(std::string("\x01\x01\x00\x07\x00\x01\x00", 7), out), ERROR_FILE_CORRUPT);
    EXPECT_EQ(DecodeRecord(std::string("\x01\x01\x00\x1F\x00\x01\x00\x02\x00\x00\x00\x41\x00", 13), out),
              ERROR_FILE_CORRUPT);
    EXPECT_EQ(DecodeRecord(std::string("\x01\x01\x00\x1F\x00\x01\x00\x01\x00\x00\x00\x41\x00", 13), out),
              ERROR_SUCCESS);
    EXPECT_EQ(DecodeRecord(std::string("\x01\x01\x00\x41\x00\x01\x00\xFF\xFF\xFF\xFF\x41", 12), out),
              ERROR_FILE_CORRUPT);
    EXPECT_TRUE(out.empty() || out.size() == 1);

    // Random damage decodes or fails, but never overruns.
    std::mt19937 random(7);
    int decoded = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes = stored;
        int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
        if (DecodeRecord(bytes, out) == ERROR_SUCCESS) {
            ++decoded;
            // Whatever decodes points inside the bytes.
            for (const auto& p : out) {
                if (!p.data) continue;
                auto* begin = reinterpret_cast<const BYTE*>(bytes.data());
                size_t n = TypeFromPropID(p.id) == CEVT_LPWSTR ? p.length * 2u : p.length;
                ASSERT_GE(p.data, begin);
                ASSERT_LE(p.data + n, begin + bytes.size());
            }
        }
    }
    EXPECT_GT(decoded, 0);  // value bytes change freely
}

// What a read block hands out for `ids` (null: every property), described;
// {"corrupt"} when it refuses the record.
std::vector<std::string> BlockRead(const std::string& stored, const std::vector<CEPROPID>* ids)
{
    RecordBlock block;
    if (block.Decode(stored, ids ? ids->data() : nullptr, ids ? static_cast<WORD>(ids->size()) : 0))
        return {"corrupt"};
    std::vector<std::uint64_t> memory(block.Bytes() / 8 + 1);
    block.Fill(reinterpret_cast<BYTE*>(memory.data()));
    std::vector<std::string> out;
    for (WORD i = 0; i < block.Count(); ++i) out.push_back(Describe(reinterpret_cast<const CEPROPVAL*>(memory.data())[i]));
    return out;
}

TEST(CedbRecordCodec, ReadBlockPicksListedPropertiesAndRefusesDamageAnywhere)
{
    static const BYTE bytes[] = {7, 8, 9};
    const std::string stored =
        EncodeRecord(FromValues({I4(1, -5), Str(2, u"two"), Blob(3, bytes, 3), I2(4, 4), Time(5, 77)}));
    const CEPROPID i4 = MAKEPROPID(1, CEVT_I4), text = MAKEPROPID(2, CEVT_LPWSTR), blob = MAKEPROPID(3, CEVT_BLOB),
                   i2 = MAKEPROPID(4, CEVT_I2), time = MAKEPROPID(5, CEVT_FILETIME);
    const std::string damagedLast = stored.substr(0, stored.size() - 1);
    const std::string repeatedUnlisted = EncodeRecord(FromValues({I4(1, 1), I4(7, 1), I4(7, 2)}));
    struct Case {
        const std::string& stored;
        std::vector<CEPROPID> ids;
        std::vector<std::string> want;
    } cases[] = {
        {stored, {i4, text}, {"1/I4=-5", "2/LPWSTR='two'"}},
        {stored, {time, blob, i4}, {"5/FILETIME=ft 77", "3/BLOB=[07 08 09]", "1/I4=-5"}},
        // Absent, and present under the same number with another type.
        {stored, {MAKEPROPID(9, CEVT_I4), i2, MAKEPROPID(2, CEVT_I4)}, {"9/I4=missing", "4/I2=4", "2/I4=missing"}},
        {stored, {text, i2, text}, {"2/LPWSTR='two'", "4/I2=4", "2/LPWSTR='two'"}},
        // Damage behind the listed properties, or between unlisted ones.
        {damagedLast, {i4}, {"corrupt"}},
        {stored + '\0', {i4}, {"corrupt"}},
        {repeatedUnlisted, {i4}, {"corrupt"}},
    };
    for (const auto& c : cases) EXPECT_EQ(BlockRead(c.stored, &c.ids), c.want) << c.ids.size() << " listed";
    EXPECT_EQ(BlockRead(stored, nullptr), (std::vector<std::string>{"1/I4=-5", "2/LPWSTR='two'", "3/BLOB=[07 08 09]",
                                                                     "4/I2=4", "5/FILETIME=ft 77"}));
    EXPECT_EQ(BlockRead(repeatedUnlisted, nullptr), std::vector<std::string>{"corrupt"});
}

TEST(CedbRecordCodec, MergeReplacesInPlaceAppendsAndDeletes)
{
    std::vector<StoredProp> props = FromValues({I4(1, 1), Str(2, u"two"), I2(3, 3)});
    std::vector<CEPROPVAL> write = {I2(3, 30), Delete(MAKEPROPID(2, CEVT_LPWSTR)), UI4(4, 4), I4(1, 10),
                                    Delete(MAKEPROPID(9, CEVT_I4))};
    ASSERT_EQ(MergeProps(props, write.data(), static_cast<WORD>(write.size())), ERROR_SUCCESS);
    EXPECT_EQ(Described(props), (std::vector<std::string>{"1/I4=10", "3/I2=30", "4/UI4=4"}));

    CEPROPVAL bad{};
    bad.propid = MAKEPROPID(5, 0x77);
    EXPECT_EQ(MergeProps(props, &bad, 1), ERROR_INVALID_PARAMETER);
    bad.wFlags = CEDB_PROPDELETE;  // deleting needs no known type
    EXPECT_EQ(MergeProps(props, &bad, 1), ERROR_SUCCESS);
}

}  // namespace
