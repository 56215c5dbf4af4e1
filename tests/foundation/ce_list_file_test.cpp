// Lists saved to and read from list files: the bytes written, the lists read
// back, and files that are cut, of another version or another signature.
#include "foundation/ce_list_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/text/bstr.h"
#include "platform/text/utf8.h"
#include "tests/support/device_sandbox.h"

namespace {

// "01 0A000000" -> the bytes; blanks are ignored.
std::string Hex(const char* text)
{
    std::string out;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        out += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
        p += 2;
    }
    return out;
}

// The elements of a list as text, "[null]" for a null element.
template <class T>
std::string Show(CePtrList<T>& list, const std::function<std::string(T)>& show)
{
    std::string out;
    for (T element : list) out.append(out.empty() ? "" : ",").append(show(element));
    return out;
}
std::string ShowWide(const WCHAR* s) { return s ? WideToUtf8(s) : "[null]"; }
std::string ShowNarrow(char* s) { return s ? s : "[null]"; }

constexpr const WCHAR* kFile = u"\\lists\\a.bin";

class CeListFileTest : public DeviceSandbox {
protected:
    void WriteBytes(const std::string& bytes) const { MakeHostFile("lists/a.bin", bytes); }
    std::string Bytes() const { return ReadHostFile("lists/a.bin"); }
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        MakeHostFile("lists/keep", "");
    }
};

// Each list kind written with its byte form, read back as the same list, and
// written again byte for byte.
TEST_F(CeListFileTest, EachElementKindRoundTripsByteForByte)
{
    struct Row {
        const char* what;
        std::function<std::string()> writeAndReadBack;  // "" on success, else what differed
        const char* bytes;
    };
    auto roundTrip = [this](auto& written, auto& read, const char* signature, DWORD flags, auto show) {
        if (int r = CeWriteListFile(kFile, signature, written, flags); r != CELISTFILE_OK)
            return "write gave " + std::to_string(r);
        const std::string first = Bytes();
        if (int r = CeReadListFile(kFile, signature, read, flags); r != CELISTFILE_OK)
            return "read gave " + std::to_string(r);
        if (Show(read, show) != Show(written, show)) return "read back " + Show(read, show);
        if (read.GetIndexBase() != written.GetIndexBase() || read.GetCurrentPosition() != written.GetCurrentPosition())
            return std::string("index base or current position differ");
        if (CeWriteListFile(kFile, signature, read, flags) != CELISTFILE_OK || Bytes() != first)
            return std::string("written again differently");
        return std::string();
    };
    const Row rows[] = {
        {"OIDs, index base 0, the last appended current",
         [&] {
             CePtrList<DWORD> list, back(1);
             list.Append(0x11223344);
             list.Append(7);
             return roundTrip(list, back, "RECENT101", 0,
                              std::function<std::string(DWORD)>([](DWORD v) { return std::to_string(v); }));
         },
         "01 0A000000 52 45 43 45 4E 54 31 30 31 00 02000000 01000000 00000000 00000000"
         " 04000000 44332211 04000000 07000000"},
        {"wide strings, index base 1, the element size recorded, a null element",
         [&] {
             CeStrList<> list(1), back(0);
             list.SetElementSize(2);
             list.Append(u"H\u00E9");
             list.Append(static_cast<const WCHAR*>(nullptr));
             list.SetCurrentPosition(1);
             return roundTrip(list, back, "S", CELISTFILE_ELEMENTSIZE, std::function<std::string(WCHAR*)>(ShowWide));
         },
         "01 02000000 53 00 02000000 01000000 01000000 02000000 06000000 4800 E900 0000 00000000"},
        {"an empty list, no current position",
         [&] {
             CePtrList<DWORD> list, back;
             back.Append(5);
             return roundTrip(list, back, "E", 0,
                              std::function<std::string(DWORD)>([](DWORD v) { return std::to_string(v); }));
         },
         "01 02000000 45 00 00000000 FFFFFFFF 00000000 00000000"},
        {"narrow strings",
         [&] {
             CePtrList<char*> list(0, 5), back(0, 5);
             char ab[] = "ab";
             list.Append(ab);
             return roundTrip(list, back, "N", 0, std::function<std::string(char*)>(ShowNarrow));
         },
         "01 02000000 4E 00 01000000 00000000 00000000 00000000 03000000 61 62 00"},
        {"BSTRs, an empty one",
         [&] {
             CePtrList<BSTR> list(0, 6), back(0, 6);
             list.Append(const_cast<BSTR>(u"x"));
             list.Append(const_cast<BSTR>(u""));
             return roundTrip(list, back, "B", 0, std::function<std::string(BSTR)>([](BSTR b) {
                                  return std::to_string(SysStringLen(b)) + ShowWide(b);
                              }));
         },
         "01 02000000 42 00 02000000 01000000 00000000 00000000 02000000 7800 00000000"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.writeAndReadBack(), "") << row.what;
        EXPECT_EQ(Bytes(), Hex(row.bytes)) << row.what;
    }
}

// A file the reader refuses leaves the list empty, whatever it held.
TEST_F(CeListFileTest, BadFilesGiveTheirErrorAndAnEmptyList)
{
    const std::string header = "0A000000 52 45 43 45 4E 54 31 30 31 00";
    struct Row {
        const char* what;
        std::string bytes;
        DWORD flags;
        int expected;
    } rows[] = {
        {"an empty file", "", 0, CELISTFILE_SHORT},
        {"version 2", "02" + header + "01000000 00000000 00000000 00000000 04000000 01000000", 0, CELISTFILE_BADFORMAT},
        {"another signature", "01 0A000000 52 45 43 45 4E 54 31 30 32 00 00000000 00000000 00000000 00000000", 0,
         CELISTFILE_BADFORMAT},
        {"the signature without its 0 byte", "01 09000000 52 45 43 45 4E 54 31 30 31", 0, CELISTFILE_BADFORMAT},
        {"cut in the signature", "01" + header.substr(0, 20), 0, CELISTFILE_SHORT},
        {"cut in the header", "01" + header + "01000000 00000000", 0, CELISTFILE_SHORT},
        {"cut in an element's length", "01" + header + "00000000 00000000 00000000 00000000 0400", 0, CELISTFILE_SHORT},
        {"cut in an element", "01" + header + "01000000 00000000 00000000 00000000 04000000 0102", 0, CELISTFILE_SHORT},
        {"a count the file cannot hold", "01" + header + "FFFFFF7F 00000000 00000000 00000000 04000000 01000000",
         CELISTFILE_PRESIZE, CELISTFILE_SHORT},
    };
    for (const Row& row : rows) {
        WriteBytes(Hex(row.bytes.c_str()));
        CePtrList<DWORD> list;
        list.Append(99);
        EXPECT_EQ(CeReadListFile(kFile, "RECENT101", list, row.flags), row.expected) << row.what;
        EXPECT_EQ(list.GetCount(), 0) << row.what;
        EXPECT_EQ(Bytes(), Hex(row.bytes.c_str())) << row.what << ": reading changed the file";
    }
    CePtrList<DWORD> list;
    list.Append(99);
    EXPECT_EQ(CeReadListFile(u"\\lists\\none.bin", "RECENT101", list), CELISTFILE_OK);
    EXPECT_EQ(CeReadListFile(u"\\nowhere\\none.bin", "RECENT101", list), CELISTFILE_OK);
    EXPECT_EQ(list.GetCount(), 0) << "a missing file is an empty list";
    EXPECT_EQ(CeWriteListFile(u"\\nowhere\\a.bin", "RECENT101", list), CELISTFILE_NOTCREATED);
}

// The stored count sizes the list only with the presize flag; elements beyond
// it are still read; the element size is taken only when asked for; elements
// of an odd size read as far as they go.
TEST_F(CeListFileTest, PresizeElementSizeCurrentPositionAndOddElements)
{
    const std::string head = "01 02000000 58 00";
    struct Row {
        const char* what;
        std::string bytes;
        DWORD flags;
        std::string elements;
        int elementSize;
        int current;
    } rows[] = {
        {"3 counted, 2 stored, presized",
         head + "03000000 02000000 01000000 04000000 04000000 0A000000 04000000 0B000000",
         CELISTFILE_PRESIZE | CELISTFILE_ELEMENTSIZE, "10,11,0", 4, 2},
        {"3 counted, 2 stored, appended",
         head + "03000000 02000000 01000000 04000000 04000000 0A000000 04000000 0B000000", 0, "10,11", 9, 2},
        {"1 counted, 2 stored", head + "01000000 01000000 00000000 00000000 04000000 0A000000 04000000 0B000000",
         CELISTFILE_PRESIZE, "10,11", 9, 1},
        {"a current position outside the list", head + "01000000 07000000 00000000 00000000 04000000 0A000000", 0, "10",
         9, 0},
        {"values of 2 and 6 bytes", head + "00000000 00000000 00000000 00000000 02000000 0102 06000000 010203040506", 0,
         "513,67305985", 9, 0},
    };
    for (const Row& row : rows) {
        WriteBytes(Hex(row.bytes.c_str()));
        CePtrList<DWORD> list;
        list.SetElementSize(9);
        ASSERT_EQ(CeReadListFile(kFile, "X", list, row.flags), CELISTFILE_OK) << row.what;
        EXPECT_EQ(Show(list, std::function<std::string(DWORD)>([](DWORD v) { return std::to_string(v); })),
                  row.elements)
            << row.what;
        EXPECT_EQ(list.GetElementSize(), row.elementSize) << row.what;
        EXPECT_EQ(list.GetCurrentPosition(), row.current) << row.what;
    }
    // Texts without their terminator, a wide one of an odd byte count.
    WriteBytes(Hex("01 02000000 58 00 00000000 00000000 00000000 00000000 03000000 4100 42"));
    CeStrList<> wide;
    ASSERT_EQ(CeReadListFile(kFile, "X", wide), CELISTFILE_OK);
    EXPECT_EQ(Show(wide, std::function<std::string(WCHAR*)>(ShowWide)), "A");
    CePtrList<char*> narrow(0, 5);
    ASSERT_EQ(CeReadListFile(kFile, "X", narrow), CELISTFILE_OK);
    EXPECT_EQ(Show(narrow, std::function<std::string(char*)>(ShowNarrow)), "A");
}

}  // namespace
