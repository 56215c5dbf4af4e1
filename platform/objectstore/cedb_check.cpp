// The integrity check of a volume (kstools store check).
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/objectstore/cedb.h"
#include "platform/base/error_codes.h"
#include "platform/objectstore/internal/cedb_database_row.h"
#include "platform/objectstore/internal/cedb_volume_table.h"
#include "platform/text/utf8.h"

namespace platform::cedb {
namespace {

class Checker {
public:
    explicit Checker(Volume& volume) : volume_(volume) {}

    void Run()
    {
        QuickCheck();
        if (!problems_.empty()) return;  // the rest would only read garbage
        Transaction read(volume_.Statements(), false);
        if (DWORD err = read.Status()) return Problem("cannot read the volume (error " + std::to_string(err) + ")");
        if (DWORD err = volume_.LoadCollation())
            return Problem("no collation recorded (error " + std::to_string(err) + ")");
        Meta();
        Databases();
        Records();
        Totals();
    }

    const std::vector<std::string>& Problems() const { return problems_; }
    size_t DatabaseCount() const { return databases_.size(); }
    size_t RecordCount() const { return records_; }

private:
    struct Expected {
        std::vector<SORTORDERSPEC> sorts;
        std::int64_t records = 0, bytes = 0;
        std::int64_t countedRecords = 0, countedBytes = 0;
        std::string name;
    };

    void Problem(std::string text) { problems_.push_back(std::move(text)); }
    static std::string Hex(std::int64_t v)
    {
        char text[24];
        std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(v));
        return text;
    }
    void StepFailed(int rc, const char* what)
    {
        Problem(std::string("reading ") + what + " failed: " + sqlite3_errstr(rc));
    }

    void QuickCheck()
    {
        Statement st(volume_.Statements(), "PRAGMA quick_check");
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            std::string line(st.Bytes(0));
            if (line != "ok") Problem("storage: " + line);
        }
        if (rc != SQLITE_DONE) StepFailed(rc, "the storage check");
    }

    void Meta()
    {
        Statement st(volume_.Statements(), "SELECT value FROM meta WHERE key = 'next_oid'");
        int rc = st.Step();
        if (rc != SQLITE_ROW) return Problem("the next object identifier is not recorded");
        nextOid_ = st.Int(0);
        if (nextOid_ <= 0 || nextOid_ > 0x100000000ll) Problem("next object identifier out of range: " + Hex(nextOid_));
    }

    void Databases()
    {
        Statement st(volume_.Statements(), "SELECT oid, name, folded, sorts, records, bytes FROM databases");
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            std::int64_t oid = st.Int(0);
            Expected& e = databases_[oid];
            std::u16string name = Utf8ToWide(st.Bytes(1));
            e.name = std::string(st.Bytes(1));
            std::string where = "database " + Hex(oid) + " \"" + e.name + "\": ";
            if (oid <= 0 || oid > 0xFFFFFFFFll) Problem(where + "identifier out of range");
            if (name.empty() || name.size() >= CEDB_MAXDBASENAMELEN)
                Problem(where + "name length " + std::to_string(name.size()));
            if (FoldName(name) != st.Bytes(2)) Problem(where + "folded name does not match");
            if (DecodeSorts(st.Bytes(3), e.sorts)) Problem(where + "sort orders unreadable");
            e.records = st.Int(4);
            e.bytes = st.Int(5);
        }
        if (rc != SQLITE_DONE) StepFailed(rc, "the databases");
    }

    void Records()
    {
        Statement st(volume_.Statements(), "SELECT oid, db, size, props, k0, k1, k2, k3 FROM records");
        std::vector<StoredProp> props;
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            ++records_;
            std::int64_t oid = st.Int(0);
            std::string where = "record " + Hex(oid) + ": ";
            if (oid <= 0 || oid > 0xFFFFFFFFll) Problem(where + "identifier out of range");
            if (databases_.count(oid)) Problem(where + "identifier also names a database");
            auto db = databases_.find(st.Int(1));
            if (db == databases_.end()) {
                Problem(where + "belongs to no database (" + Hex(st.Int(1)) + ")");
                continue;
            }
            std::string_view bytes = st.Bytes(3);
            db->second.countedRecords += 1;
            db->second.countedBytes += st.Int(2);
            if (st.Int(2) != static_cast<std::int64_t>(bytes.size()))
                Problem(where + "size does not match its properties");
            if (DecodeRecord(bytes, props)) {
                Problem(where + "properties unreadable");
                continue;
            }
            RecordKeys keys = KeysOf(volume_.Keys(), db->second.sorts, props);
            for (int slot = 0; slot < CEDB_MAXSORTORDER; ++slot) {
                bool stored = !st.IsNull(4 + slot);
                if (stored != keys[slot].has_value() || (stored && st.Bytes(4 + slot) != *keys[slot]))
                    Problem(where + "sort key " + std::to_string(slot) + " is not what its properties give");
            }
        }
        if (rc != SQLITE_DONE) StepFailed(rc, "the records");
    }

    void Totals()
    {
        for (const auto& [oid, e] : databases_) {
            if (e.records != e.countedRecords)
                Problem("database " + Hex(oid) + " \"" + e.name + "\": says " + std::to_string(e.records) +
                        " records, holds " + std::to_string(e.countedRecords));
            if (e.bytes != e.countedBytes)
                Problem("database " + Hex(oid) + " \"" + e.name + "\": says " + std::to_string(e.bytes) +
                        " bytes, holds " + std::to_string(e.countedBytes));
        }
    }

    Volume& volume_;
    std::vector<std::string> problems_;
    std::map<std::int64_t, Expected> databases_;
    size_t records_ = 0;
    std::int64_t nextOid_ = 0;
};

}  // namespace
}  // namespace platform::cedb

namespace platform {

bool CheckObjectStore(const CEGUID* guid, std::string& report)
{
    std::shared_ptr<cedb::Volume> volume;
    if (DWORD err = cedb::VolumeFor(guid, volume)) {
        report = "cannot open the volume (error " + std::to_string(err) + ")\n";
        return false;
    }
    std::lock_guard lock(volume->Mutex());
    if (!volume->IsOpen()) {
        report = "the volume is closed\n";
        return false;
    }
    cedb::Checker checker(*volume);
    checker.Run();
    report.clear();
    for (const auto& line : checker.Problems()) report += line + "\n";
    report +=
        std::to_string(checker.DatabaseCount()) + " databases, " + std::to_string(checker.RecordCount()) +
        " records: " + (checker.Problems().empty() ? "ok" : std::to_string(checker.Problems().size()) + " problems") +
        "\n";
    return checker.Problems().empty();
}

}  // namespace platform
