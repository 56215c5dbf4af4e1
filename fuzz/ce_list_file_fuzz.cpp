// List files from arbitrary bytes, read as lists of every element kind with
// and without the presize flag. Besides running clean under the sanitizers:
//  - a refused file leaves the list empty;
//  - a list read from a file, written and read again, writes the same bytes
//    the second time (the reader keeps everything the writer wrote);
//  - the presize flag gives at least the stored count of elements.
// The signature is "RECENT101"; the seeds carry it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "foundation/ce_list_file.h"
#include "platform/text/bstr.h"

namespace {

constexpr const char* kSignature = "RECENT101";

template <class T>
void Check(const uint8_t* data, size_t size, CePtrList<T>& list, DWORD flags)
{
    const int result = CeReadListBytes(data, size, kSignature, list, flags);
    if (result != CELISTFILE_OK) {
        if (list.GetCount() != 0) std::abort();
        return;
    }
    CeListFileImage image;
    if (CeParseListFile(data, size, kSignature, image) != CELISTFILE_OK) std::abort();
    if ((flags & CELISTFILE_PRESIZE) && static_cast<DWORD>(list.GetCount()) < image.count) std::abort();
    std::vector<BYTE> first, second;
    if (!CeListFileBytes(list, kSignature, flags, first)) std::abort();
    if (CeReadListBytes(first.data(), first.size(), kSignature, list, flags) != CELISTFILE_OK) std::abort();
    if (!CeListFileBytes(list, kSignature, flags, second) || second != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (DWORD flags : {0u, CELISTFILE_PRESIZE | CELISTFILE_ELEMENTSIZE}) {
        CePtrList<DWORD> oids;
        Check(data, size, oids, flags);
        CeStrList<> wide;
        Check(data, size, wide, flags);
        CePtrList<char*> narrow(0, 5);
        Check(data, size, narrow, flags);
        CePtrList<BSTR> bstrs(0, 6);
        Check(data, size, bstrs, flags);
        CePtrList<void*> blocks(0, 1);
        Check(data, size, blocks, flags);
    }
    return 0;
}
