// Journal records with any mix of the journal's properties, present or
// flagged missing, with arbitrary values: reading them never fails, and the
// entry keeps its invariants. The notes then go through the trailing
// paragraph cut, which may only shorten them by five bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "items/c_journal.h"
#include "items/journal_notes.h"
#include "storage/ce_db_record.h"

namespace {

const CEPROPID kIds[16] = {
    kJournalSubject, kJournalPlainNotes, kJournalType,    kJournalDuration,   kJournalFalseFlag, kJournalParent,
    kJournalCreated, kJournalModified,   kJournalStart,   kJournalParentText, kJournalText3,     kJournalPageFlag,
    kJournalNumber1, kJournalNumber2,    kJournalNumber3, kJournalNotes,
};

struct Reader {
    const uint8_t* p;
    size_t left;
    uint8_t Byte() { return left ? (--left, *p++) : 0; }
    uint64_t Bytes8()
    {
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v = (v << 8) | Byte();
        return v;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    std::vector<CEPROPVAL> props;
    std::vector<std::u16string> texts;
    std::vector<std::vector<BYTE>> blobs;
    texts.reserve(64);
    blobs.reserve(64);
    while (in.left && props.size() < 64) {
        const uint8_t selector = in.Byte();
        CEPROPVAL v{};
        v.propid = kIds[selector & 15];
        v.wFlags = (selector & 0x80) ? CEDB_PROPNOTFOUND : 0;
        const size_t length = in.Byte() % 40;
        switch (TypeFromPropID(v.propid)) {
            case CEVT_LPWSTR: {
                std::u16string text;
                for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char16_t>((in.Byte() << 8) | in.Byte()));
                texts.push_back(std::move(text));
                v.val.lpwstr = texts.back().data();
                break;
            }
            case CEVT_BLOB: {
                std::vector<BYTE> bytes;
                for (size_t i = 0; i < length; ++i) bytes.push_back(in.Byte());
                blobs.push_back(std::move(bytes));
                v.val.blob = CEBLOB{static_cast<DWORD>(blobs.back().size()), blobs.back().data()};
                break;
            }
            case CEVT_FILETIME: {
                const uint64_t t = in.Bytes8();
                v.val.filetime.dwLowDateTime = static_cast<DWORD>(t);
                v.val.filetime.dwHighDateTime = static_cast<DWORD>(t >> 32);
                break;
            }
            default:
                v.val.lVal = static_cast<LONG>(in.Bytes8());
                break;
        }
        props.push_back(v);
    }

    CeDbRecord record;
    if (!record.DupProps(props.data(), static_cast<WORD>(props.size()), 0)) return 0;
    record.SetOid(7);
    CJournalData entry;
    CJournal::EntryFromRecord(record, entry);
    if (entry.m_record != 7) std::abort();
    if (entry.m_createdMissing && std::memcmp(&entry.m_created, &entry.m_start, sizeof(SYSTEMTIME)) != 0) std::abort();
    (void)entry.NotesText();

    std::vector<BYTE> notes = entry.m_notes;
    const size_t before = notes.size();
    const bool cut = DropTrailingEmptyParagraph(notes);
    if (cut ? (before <= 10 || notes.size() != before - 5 || notes.back() != '}') : notes.size() != before)
        std::abort();
    return 0;
}
