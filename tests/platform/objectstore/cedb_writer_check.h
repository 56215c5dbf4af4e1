// Whether a record of ks_cedb_writer is stored exactly as it was written.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/helpers/cedb_writer_records.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace cedbtest {

// Record n (the handle sorted on its number) holds exactly what the writer wrote.
inline ::testing::AssertionResult Intact(HANDLE db, long n)
{
    CEOID oid = SeekValue(db, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, static_cast<LONG>(n)));
    if (!oid) return ::testing::AssertionFailure() << "record " << n << " missing (" << GetLastError() << ")";
    cedb_writer::RecordValues expected(n);
    std::vector<std::string> want;
    for (const auto& p : expected.props) want.push_back(Describe(p));
    ReadResult got = Read(db, {cedb_writer::kNumberProp, cedb_writer::kTextProp, cedb_writer::kBytesProp});
    if (got.props != want) return ::testing::AssertionFailure() << "record " << n << " differs";
    return ::testing::AssertionSuccess();
}

}  // namespace cedbtest
