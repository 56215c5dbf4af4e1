// Counted strings (CSTR functions, CStr), CTempString and the BSTR helpers.
#include "foundation/counted_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "foundation/bstr_functions.h"
#include "foundation/temp_string.h"

namespace {

std::u16string Counted(const WCHAR* p) { return p ? std::u16string(p, static_cast<size_t>(CSTRLen(p))) : u"<null>"; }

TEST(CountedString, LayoutAllocationExtendCStrCopiesComparesTempStringsAndBstrHelpers)
{
    const WCHAR withZero[] = {u'a', 0, u'b', u'c'};
    WCHAR* p = AllocCSTRLen(withZero, 3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<const std::int32_t*>(p)[-1], 3);  // the length word sits just before
    EXPECT_EQ(Counted(p), std::u16string(withZero, 3));
    EXPECT_EQ(p[3], 0);
    WCHAR* empty = AllocCSTR(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(CSTRLen(empty), 0);
    EXPECT_EQ(empty[0], 0);
    WCHAR* raw = AllocCSTRLen(nullptr, 3);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(CSTRLen(raw), 3);
    EXPECT_EQ(raw[3], 0);
    EXPECT_EQ(AllocCSTRLen(u"x", -1), nullptr);
    EXPECT_EQ(CSTRLen(nullptr), 0);
    for (WCHAR* q : {empty, raw, static_cast<WCHAR*>(nullptr)}) FreeCSTR(q);
    EXPECT_EQ(ReAllocCSTR(&p, u"abcdef"), 1);
    EXPECT_EQ(ReAllocCSTRLen(&p, p + 2, 3), 1);
    EXPECT_EQ(Counted(p), u"cde");
    EXPECT_EQ(ReAllocCSTR(&p, u"ab"), 1);
    EXPECT_EQ(ReAllocCSTRLen(&p, u"x", -5), 0);
    EXPECT_EQ(ReAllocCSTR(nullptr, u"x"), 0);
    EXPECT_EQ(ExtendCSTRLen(&p, u"cdef", 2), 1);
    EXPECT_EQ(Counted(p), u"abcd");
    EXPECT_EQ(ExtendCSTR(&p, p), 1);
    EXPECT_EQ(Counted(p), u"abcdabcd");
    EXPECT_EQ(ExtendCSTRLen(&p, u"x", 0), 0);
    EXPECT_EQ(ExtendCSTR(&p, u""), 0);
    EXPECT_EQ(Counted(p), u"abcdabcd");
    WCHAR* none = nullptr;
    EXPECT_EQ(ExtendCSTR(&none, u"x"), 0);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(ExtendCSTR(nullptr, u"x"), 0);
    FreeCSTR(p);

    CStr emptyStr;
    EXPECT_EQ(emptyStr.Length(), 0);
    ASSERT_NE(static_cast<WCHAR*>(emptyStr), nullptr);
    CStr a(u"alpha");
    CStr b(a);
    EXPECT_NE(static_cast<WCHAR*>(a), static_cast<WCHAR*>(b));
    b = u"beta";
    a = b;
    a += u"-x";
    a += b;
    EXPECT_EQ(Counted(a), u"beta-xbeta");
    EXPECT_EQ(Counted(b), u"beta");
    WCHAR* c = a.Copy();
    EXPECT_NE(c, static_cast<WCHAR*>(a));
    EXPECT_EQ(Counted(c), u"beta-xbeta");
    FreeCSTR(c);
    EXPECT_EQ(CStr::Copy(b, a, 4), 1);
    EXPECT_EQ(Counted(b), u"beta");
    CStr::Copy(b, a, 100);
    EXPECT_EQ(Counted(b), u"beta-xbeta");
    a.Empty();
    EXPECT_EQ(a.Length(), 0);
    WCHAR* block = AllocCSTR(u"owned");
    CStr owner(block, CStr::TakeOver);
    EXPECT_EQ(static_cast<WCHAR*>(owner), block);
    EXPECT_EQ(owner.Length(), 5);

    CStr apple(u"apple"), Banana(u"Banana");
    EXPECT_EQ(apple.Compare(CStr(u"apple")), 0);
    EXPECT_TRUE(apple == CStr(u"apple"));
    EXPECT_EQ(apple.Compare(Banana), -1);  // code-unit order would put B first
    EXPECT_EQ(Banana.Compare(apple), 1);
    EXPECT_TRUE(apple < Banana && apple <= Banana && Banana > apple && Banana >= apple && apple != Banana);
    EXPECT_NE(apple.Compare(CStr(u"APPLE")), 0);

    CTempString t(16);
    ASSERT_NE(t.Get(), nullptr);
    EXPECT_EQ(t.Size(), 16);
    for (int i = 0; i <= 16; ++i) EXPECT_EQ(t.Get()[i], 0);
    CTempString noTemp(-3);
    EXPECT_EQ(noTemp.Size(), 0);
    ASSERT_NE(noTemp.Get(), nullptr);
    EXPECT_EQ(noTemp.Get()[0], 0);

    for (const WCHAR* src : {static_cast<const WCHAR*>(nullptr), u""}) {
        BSTR e = AllocBSTR(src);
        ASSERT_NE(e, nullptr);  // the empty BSTR, never null
        EXPECT_EQ(BSTRLen(e), 0);
        FreeBSTR(e);
    }
    BSTR bstr = AllocBSTR(u"first");
    EXPECT_EQ(ReAllocBSTR(&bstr, u"second!"), 1);
    EXPECT_EQ(ReAllocBSTR(&bstr, nullptr), 0);
    EXPECT_EQ(BSTRLen(bstr), 7);  // the BSTR rules themselves are the platform's
    EXPECT_EQ(ReAllocBSTR(nullptr, u"x"), 0);
    FreeBSTR(bstr);
}

}  // namespace
