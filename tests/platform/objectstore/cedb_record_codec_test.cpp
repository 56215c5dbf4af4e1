// The stored form of records: no damaged byte string decodes (or crashes the decoder).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/objectstore/cedb_record_codec.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using namespace cedbtest;
using platform::cedb::DecodeRecord;
using platform::cedb::EncodeRecord;
using platform::cedb::MergeProps;
using platform::cedb::PropFromValue;
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
