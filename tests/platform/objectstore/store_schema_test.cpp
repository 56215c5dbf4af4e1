// docs/store-schema.md and store_schema.h list the same identifiers, types and sort orders.
#include "platform/objectstore/store_schema.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/utf8.h"

namespace {

struct DocRow {
    std::string database;
    CEPROPID id = 0;
    std::string type;
    int line = 0;
};

// The document's table rows, its "Sort orders" identifiers, and lines it could not read.
struct Doc {
    std::vector<DocRow> rows;
    std::map<std::string, std::vector<CEPROPID>> sortOrders;
    std::set<std::string> databases;
    std::vector<std::string> unreadable;
};

std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trim(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    const size_t last = s.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

std::vector<std::string> Cells(const std::string& line)
{
    std::vector<std::string> cells;
    std::stringstream in(line.substr(1));
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(Trim(cell));
    return cells;
}

std::vector<CEPROPID> Identifiers(const std::string& text)
{
    static const std::regex id("0x([0-9A-F]{8})\\b");
    std::vector<CEPROPID> ids;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator(); ++it)
        ids.push_back(static_cast<CEPROPID>(std::stoul((*it)[1].str(), nullptr, 16)));
    return ids;
}

// A level-2 heading of a quoted name opens that database's part; any other heading closes it.
Doc ParseDoc(const std::string& text)
{
    static const std::regex database("^## \"(.+)\"$");
    static const std::regex identifier("^0x[0-9A-F]{8}$");
    Doc doc;
    std::string current, sortParagraph;
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);) {
        ++n;
        if (!sortParagraph.empty()) {
            if (!line.empty()) {
                sortParagraph += " " + line;
                continue;
            }
            doc.sortOrders[current] = Identifiers(sortParagraph);
            sortParagraph.clear();
        }
        std::smatch m;
        if (line.rfind("## ", 0) == 0) {
            current = std::regex_match(line, m, database) ? m[1].str() : std::string();
            if (!current.empty()) doc.databases.insert(current);
        } else if (line.rfind("Sort orders", 0) == 0) {
            if (current.empty()) doc.unreadable.push_back(std::to_string(n) + ": sort orders outside a database");
            sortParagraph = line;
        } else if (line.rfind("| 0x", 0) == 0) {
            const std::vector<std::string> cells = Cells(line);
            if (current.empty() || cells.size() < 2 || !std::regex_match(cells[0], identifier)) {
                doc.unreadable.push_back(std::to_string(n) + ": " + line);
                continue;
            }
            doc.rows.push_back({current, Identifiers(cells[0])[0], cells[1], n});
        }
    }
    if (!sortParagraph.empty()) doc.sortOrders[current] = Identifiers(sortParagraph);
    return doc;
}

std::string Hex(CEPROPID id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", id);
    return text;
}

std::string Database(const StoreSchemaRow& row) { return WideToUtf8(row.database); }

TEST(StoreSchema, DocumentTableAndHeaderAgree)
{
    const Doc doc = ParseDoc(ReadFile(KSTOOLS_STORE_SCHEMA_DOC));
    const std::string header = ReadFile(KSTOOLS_STORE_SCHEMA_HEADER);
    // Each (database, identifier) once on each side, and the same databases.
    EXPECT_GT(doc.rows.size(), 100u) << "the document was not found or has no tables";
    EXPECT_EQ(doc.unreadable, std::vector<std::string>{});
    std::multiset<std::pair<std::string, std::string>> documented, tabled;
    std::set<std::string> databases;
    for (const DocRow& row : doc.rows) documented.emplace(row.database, Hex(row.id));
    for (const StoreSchemaRow& c : kStoreSchemaRows) {
        tabled.emplace(Database(c), Hex(c.id));
        databases.insert(Database(c));
    }
    EXPECT_EQ(documented, tabled);
    EXPECT_EQ(std::set(tabled.begin(), tabled.end()).size(), tabled.size()) << "a row twice on both sides";
    EXPECT_EQ(databases, doc.databases);

    // Each property constant of the header is in the table.
    static const std::regex definition("constexpr CEPROPID (k\\w+) =");
    std::set<std::string> defined, constants;
    for (auto it = std::sregex_iterator(header.begin(), header.end(), definition); it != std::sregex_iterator(); ++it)
        defined.insert((*it)[1].str());
    for (const StoreSchemaRow& c : kStoreSchemaRows) constants.insert(c.constant);
    EXPECT_GT(defined.size(), 100u) << "the header was not found";
    EXPECT_EQ(defined, constants);

    // Each document type is the identifier's type.
    const std::map<std::string, WORD> types = {
        {"I2", CEVT_I2},     {"UI2", CEVT_UI2},   {"I4", CEVT_I4},         {"UI4", CEVT_UI4},
        {"R8", CEVT_R8},     {"BOOL", CEVT_BOOL}, {"LPWSTR", CEVT_LPWSTR}, {"FILETIME", CEVT_FILETIME},
        {"BLOB", CEVT_BLOB},
    };
    for (const DocRow& row : doc.rows) {
        auto type = types.find(row.type);
        ASSERT_NE(type, types.end()) << "line " << row.line << ": type " << row.type;
        EXPECT_EQ(TypeFromPropID(row.id), type->second) << "line " << row.line << ": " << Hex(row.id);
    }

    // Each sort order is a row of its database.
    EXPECT_EQ(doc.sortOrders.size(), doc.databases.size()) << "every database names its sort orders";
    for (const auto& [database, ids] : doc.sortOrders) {
        EXPECT_FALSE(ids.empty()) << database;
        for (CEPROPID id : ids) {
            int rows = 0;
            for (const DocRow& row : doc.rows) rows += row.database == database && row.id == id;
            EXPECT_EQ(rows, 1) << database << " sorts by " << Hex(id);
        }
    }
}

}  // namespace
