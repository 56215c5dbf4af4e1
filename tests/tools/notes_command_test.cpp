// kstools notes: the seeded notes on the device and the storage card as the notes window lists them, its
// filters, sorts and folder choice, ink notes drawn to pictures, and what it says about bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;
using Strings = std::vector<std::string>;

class KstoolsNotes : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        const Json seeded = JsonOf(Run({"store", "seed", "--appointments", "0", "--tasks", "0", "--contacts", "0",
                                        "--json"}, {{"KSTOOLS_NOW", "2026-03-05T10:00"}}));
        ASSERT_EQ(seeded["notes"], 8);
        ASSERT_EQ(seeded["storageCards"], 1);
        ASSERT_EQ(seeded["externalNotes"], 0) << "the notes program's plug-in is not installed";
    }
    // The names of the rows of a notes run, in order.
    Strings Names(Strings args)
    {
        args.insert(args.begin(), "notes");
        args.push_back("--json");
        Strings names;
        const Json out = JsonOf(Run(args));
        for (const Json& row : out["rows"]) names.push_back(row["name"]);
        return names;
    }
    static bool Has(const Strings& names, const std::string& name)
    {
        return std::find(names.begin(), names.end(), name) != names.end();
    }
};

TEST_F(KstoolsNotes, TheSeededNotesListOnTheDeviceAndTheCard)
{
    const Json out = JsonOf(Run({"notes", "--json"}));
    std::set<std::string> roots;
    for (const Json& row : out["rows"]) {
        if (row["kind"] == "root") roots.insert(row["path"].get<std::string>());
        if (row["name"] == "Meeting notes.pwi") {
            EXPECT_EQ(row["categories"], "Work, Meetings");
            EXPECT_EQ(row["alarm"], "2026-03-06T12:00:00");
            EXPECT_EQ(row["path"], "\\My Documents\\Work\\Meeting notes.pwi");
        }
        if (row["name"] == "Voice memo.wav") {
            EXPECT_EQ(row["kind"], "voice");
        }
    }
    EXPECT_EQ(roots, (std::set<std::string>{"\\My Documents", "\\Storage Card\\My Documents"}));
    const Strings names = Names({});
    for (const char* name : {"Shopping.pwi", "Sketch.pwi", "Empty page.pwi", "Meeting notes.pwi", "Voice memo.wav",
                             "Personal", "Trip"})
        EXPECT_TRUE(Has(names, name)) << name;
    // Closed folders hide their notes.
    EXPECT_FALSE(Has(names, "Diary.pwi"));
    EXPECT_FALSE(Has(names, "Packing list.pwi"));
}

TEST_F(KstoolsNotes, FiltersSortsAndAFolderOfItsOwn)
{
    struct Case {
        Strings args;
        Strings expected;  // the note rows, in order
    } cases[] = {
        {{"--folder", "\\My Documents\\Personal"}, {"Personal", "Diary.pwi"}},
        {{"--folder", "/Storage Card/My Documents/Trip/"}, {"Trip", "Packing list.pwi"}},
        {{"--folder", "\\My Documents\\Work", "--sort", "name", "--ascending"},
         {"Work", "Meeting notes.pwi", "Phone numbers.pwi"}},
        {{"--folder", "\\My Documents\\Work", "--sort", "name"}, {"Work", "Phone numbers.pwi", "Meeting notes.pwi"}},
        {{"--folder", "\\My Documents\\Work", "--filter", "contains=PHONE"}, {"Work", "Phone numbers.pwi"}},
        {{"--folder", "\\My Documents\\Work", "--filter", "text=launch"}, {"Work", "Meeting notes.pwi"}},
        {{"--folder", "\\My Documents\\Work", "--filter", "category=Meetings"}, {"Work", "Meeting notes.pwi"}},
        {{"--folder", "\\My Documents\\Personal", "--filter", "privacy=public"}, {"Personal", "This folder is empty"}},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& a : c.args) what += a + " ";
        EXPECT_EQ(Names(c.args), c.expected) << what;
    }
    // The private filter keeps the diary of the closed folder out of sight and the public notes out.
    const Strings found = Names({"--filter", "privacy=private"});
    EXPECT_FALSE(Has(found, "Diary.pwi"));
    EXPECT_FALSE(Has(found, "Shopping.pwi"));
    EXPECT_TRUE(Has(found, "Personal"));
    // A search opens every folder.
    EXPECT_TRUE(Has(Names({"--filter", "name=diary"}), "Diary.pwi"));
    // Largest first: the 8 KiB recording leads the notes, after the folders and the open folder's notes.
    const Strings bySize = Names({"--folder", "\\My Documents", "--sort", "size"});
    ASSERT_GE(bySize.size(), 6u);
    EXPECT_EQ((Strings{bySize.begin(), bySize.begin() + 3}), (Strings{"\\My Documents", "Personal", "Work"}));
    EXPECT_EQ(bySize[5], "Voice memo.wav");
}

TEST_F(KstoolsNotes, InkNotesDrawAndBadInputIsAPlainError)
{
    const std::string png = HomeDir().string() + "/sketch.png";
    const Json ink = JsonOf(Run({"notes", "ink", "\\My Documents\\Sketch.pwi", "--png", png, "--json"}));
    EXPECT_EQ(ink["strokes"], 3);
    EXPECT_EQ(ink["empty"], false);
    EXPECT_EQ(JsonOf(Run({"notes", "ink", "\\My Documents\\Empty page.pwi", "--json"}))["empty"], true);
    ASSERT_TRUE(std::filesystem::exists(png));
    EXPECT_GT(std::filesystem::file_size(png), 100u);

    const std::string bad = HomeDir().string() + "/bad";
    std::filesystem::create_directory(bad);
    std::ofstream(bad + "/rtf.pwi") << "{\\rtf1 not ink}";
    std::ofstream(bad + "/empty.pwi");
    {
        std::ifstream in(HomeDir().string() + "/device/My Documents/Shopping.pwi", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(bad + "/cut.pwi", std::ios::binary) << bytes.substr(0, bytes.size() - 3);
    }
    std::filesystem::remove_all(HomeDir() / "device" / "Storage Card");
    struct Case {
        Strings args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"notes", "ink", bad + "/rtf.pwi"}, 1, "the file is not an ink note"},
        {{"notes", "ink", bad + "/empty.pwi"}, 1, "the file is empty"},
        {{"notes", "ink", bad + "/cut.pwi"}, 1, "the file is cut short"},
        {{"notes", "--folder", "\\Storage Card\\My Documents"}, 1, "no notes folder \\Storage Card\\My Documents"},
        {{"notes", "--filter", "colour=red"}, 2, "use privacy, category, name, contains, match or text"},
        {{"notes", "--filter", "privacy"}, 2, "the form is KEY=VALUE"},
        {{"notes", "--sort", "weight"}, 2, "use name, alarm, created, modified, size or category"},
    };
    for (const Case& c : cases) {
        const kstest::ChildResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    // The card gone, the device's notes still list.
    EXPECT_TRUE(Has(Names({}), "Shopping.pwi"));
}

}  // namespace
