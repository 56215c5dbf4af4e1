// kstools note add|show|copy|move|alarm|delete on ink notes and on the external notes program's notes (with its
// plug-in installed in the data directory), kstools macro, and what both say about bad input.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/notes_library.h"
#include "platform/files/plugin_libraries.h"
#include "platform/modules/libraries.h"
#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsNoteFiles : public KstoolsHome {
protected:
    kstest::ChildResult At(std::vector<std::string> args) const { return Run(args, {{"KSTOOLS_NOW", "2026-12-07T10:17"}}); }
};

TEST_F(KstoolsNoteFiles, AnInkNoteFromAddToDelete)
{
    const Json added = JsonOf(At({"note", "add", "--folder", "My Documents", "--title", "Plan", "--text", "Buy milk",
                                  "--private", "--alarm", "2026-12-08T09:30", "--json"}));
    EXPECT_EQ(added["note"], "\\My Documents\\Plan.pwi");
    EXPECT_EQ(At({"note", "copy", "\\My Documents\\Plan.pwi"}).out, "\\My Documents\\Plan (copy).pwi\n");
    std::filesystem::create_directories(Host("My Documents/Work"));
    EXPECT_EQ(At({"note", "move", "My Documents/Plan.pwi", "My Documents/Work"}).out, "\\My Documents\\Work\\Plan.pwi\n");
    // Nobody answers the alarm question: the proposal, the stored alarm while it lies ahead.
    const Json alarm = JsonOf(At({"note", "alarm", "My Documents/Work/Plan.pwi", "--json"}));
    EXPECT_EQ(alarm["alarm"], "2026-12-08T09:30:00");
    EXPECT_EQ(alarm["text"], "Buy milk");
    EXPECT_EQ(At({"note", "delete", "My Documents/Work/Plan.pwi"}).exitCode, 0);
    EXPECT_EQ(At({"note", "show", "My Documents/Work/Plan.pwi"}).exitCode, 1);
}

TEST_F(KstoolsNoteFiles, BadArgumentsAndAMissingPlugInAreReported)
{
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* says;
    } cases[] = {
        {{"note"}, 2, "OID"},
        {{"note", "show"}, 2, "NOTE"},
        {{"note", "move", "a.pwi"}, 2, "TARGET"},
        {{"note", "show", "pwn:abc:1"}, 2, "positive number"},
        {{"note", "alarm", "a.pwi", "--at", "tomorrow"}, 2, "tomorrow"},
        {{"note", "show", "pwn:7001:100001"}, 1, "plug-in"},
        {{"note", "add", "--database", "7001"}, 1, "plug-in"},
    };
    for (const auto& c : cases) {
        const auto r = At(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST_F(KstoolsNoteFiles, TheNotesProgramsNotesWithItsPlugInInstalled)
{
    // The database is made by this process through the same plug-in, in the same data directory.
    ASSERT_EQ(platform::LoadPluginLibrary(KSTOOLS_NOTES_PLUGIN), "");
    HMODULE module = LoadLibraryW(kNotesLibraryName);
    auto create = reinterpret_cast<LONG (*)(const WCHAR*)>(GetProcAddress(module, "PWN_CreateDatabase"));
    ASSERT_NE(create, nullptr);
    const LONG db = create(u"Notebook");
    FreeLibrary(module);
    std::filesystem::create_directories(HomeDir() / "plugins");
    std::filesystem::copy_file(KSTOOLS_NOTES_PLUGIN, HomeDir() / "plugins" / "libpwnotesapi.so");

    const Json added = JsonOf(At({"note", "add", "--database", std::to_string(db), "--title", "Idea", "--text",
                                  "Grow {tomatoes}", "--category", "Garden", "--json"}));
    const std::string name = added["note"];
    EXPECT_EQ(name.rfind("pwn:" + std::to_string(db) + ":", 0), 0u) << name;
    const Json shown = JsonOf(At({"note", "show", name, "--json"}));
    EXPECT_EQ(shown["text"], "Grow {tomatoes}");
    EXPECT_EQ(shown["kind"], "external");
    const Json listed = JsonOf(At({"notes", "--filter", "text=tomatoes", "--json"}));
    bool found = false;
    for (const Json& row : listed["rows"]) found |= row["name"] == "Idea" && row["categories"] == "Garden";
    EXPECT_TRUE(found) << listed.dump();
    EXPECT_EQ(At({"note", "move", name, "pwn:" + std::to_string(db) + ":Better idea"}).exitCode, 0);
    EXPECT_EQ(JsonOf(At({"note", "show", name, "--json"}))["title"], "Better idea");
    EXPECT_EQ(At({"note", "delete", name}).exitCode, 0);
    EXPECT_EQ(At({"note", "show", name}).exitCode, 1);
}

TEST_F(KstoolsNoteFiles, MacroExpandsWithThePinnedClock)
{
    const Json out = JsonOf(At({"macro", "%sd% %TM% day %dy% [%fileas%] %s! %nothing%.", "--json"}));
    EXPECT_EQ(out["text"], "12/7/2026 10:17 AM day 341 [] %s! .");
    const auto plain = At({"macro", "50% off"});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(plain.out, "50% off\n");
}

TEST_F(KstoolsNoteFiles, TheSeedWritesTheNotesProgramsNotesOnceWithItsPlugInInstalled)
{
    std::filesystem::create_directories(HomeDir() / "plugins");
    std::filesystem::copy_file(KSTOOLS_NOTES_PLUGIN, HomeDir() / "plugins" / "libpwnotesapi.so");
    const std::vector<std::string> seed = {"store", "seed", "--appointments", "0", "--tasks", "0", "--contacts", "0",
                                           "--json"};
    for (int run = 0; run < 2; ++run) {
        const Json seeded = JsonOf(At(seed));
        EXPECT_EQ(seeded["externalNotes"], 3) << run;
    }
    // Seeded twice, each note is there once: the second run replaced the first's.
    const Json listed = JsonOf(At({"notes", "--filter", "text=Lentil", "--json"}));
    int recipes = 0;
    for (const Json& row : listed["rows"])
        if (row["kind"] == "database-note") {
            ++recipes;
            EXPECT_EQ(row["name"], "Recipes");
        }
    EXPECT_EQ(recipes, 1) << listed.dump();
    const Json work = JsonOf(At({"notes", "--filter", "category=Work", "--json"}));
    EXPECT_NE(work.dump().find("Call list"), std::string::npos) << work.dump();
}

}  // namespace
