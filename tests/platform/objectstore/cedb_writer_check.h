// Whether a record of ks_cedb_writer is stored exactly as it was written.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/helpers/cedb_writer_records.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace cedbtest {

// The writer's three properties of the current record, and what they read as in record n.
inline ReadResult ReadWritten(HANDLE db)
{
    return Read(db, {cedb_writer::kNumberProp, cedb_writer::kTextProp, cedb_writer::kBytesProp});
}
inline std::vector<std::string> Written(long n)
{
    cedb_writer::RecordValues values(n);
    return {Describe(values.props[0]), Describe(values.props[1]), Describe(values.props[2])};
}

// Record n (the handle sorted on its number) holds exactly what the writer wrote.
inline ::testing::AssertionResult Intact(HANDLE db, long n)
{
    CEOID oid = SeekValue(db, CEDB_SEEK_VALUEFIRSTEQUAL, I4(1, static_cast<LONG>(n)));
    if (!oid) return ::testing::AssertionFailure() << "record " << n << " missing (" << GetLastError() << ")";
    if (ReadWritten(db).props != Written(n)) return ::testing::AssertionFailure() << "record " << n << " differs";
    return ::testing::AssertionSuccess();
}

}  // namespace cedbtest
