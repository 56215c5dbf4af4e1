// The notes loader on its worker thread: the tree of documents folders and storage cards with stored folder
// states, cards and folders that vanish between or during loads, and the window thread's opening, closing and
// refreshing of folders against a running load.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

#include "engine/scoped_data_lock.h"
#include "platform/kernel/file_system.h"
#include "tests/engine/notes_tree.h"

using namespace notestest;

namespace {

class NotesTree : public NotesSandbox {
protected:
    void SetUp() override
    {
        NotesSandbox::SetUp();
        Ink(u"\\My Documents\\a.pwi");
        File(u"\\My Documents\\B.WAV", 3000);
        File(u"\\My Documents\\notes.txt");
        File(u"\\My Documents\\.pwi");  // four characters: never a note
        Ink(u"\\My Documents\\Work\\w.pwi");
        Ink(u"\\My Documents\\Hidden\\h.pwi");
        Ink(u"\\My Documents\\Secret\\s.pwi");
        Ink(u"\\My Documents\\Closed\\c.pwi");
        Ink(u"\\My Documents\\Templates\\t.pwi");
        Ink(u"\\My Documents\\Corvid\\k.pwi");
        Folder(u"\\My Documents\\Empty");
        Card(u"CardA");
        Ink(u"\\CardA\\My Documents\\trip.pwi");
        Card(u"CardB");
        Ink(u"\\CardB\\My Documents\\b.pwi");
        State(u"\\My Documents", kNoteFolderOpen);
        State(u"\\CardA\\My Documents", kNoteFolderOpen);
        for (const char16_t* open : {u"Work", u"Empty", u"Templates", u"Corvid"})
            State(std::u16string(u"\\My Documents\\") + open, kNoteFolderOpen);
        State(u"\\My Documents\\Hidden", kNoteFolderHidden);
        State(u"\\My Documents\\Secret", kNoteFolderHidden | kNoteFolderOpen);
    }
};

// Lists a folder, then removes another host folder once, the way a card taken out mid-load looks.
class VanishingFolder : public platform::HostFileSystem {
public:
    VanishingFolder(std::string listed, std::string doomed)
        : m_listed(std::move(listed)), m_doomed(std::move(doomed)), m_previous(platform::SetFileSystem(this))
    {}
    ~VanishingFolder() override { platform::SetFileSystem(m_previous); }
    int ListFolder(const std::string& path, std::vector<std::string>& names) override
    {
        const int result = HostFileSystem::ListFolder(path, names);
        if (!m_done && std::filesystem::path(path) == std::filesystem::path(m_listed)) {
            m_done = true;
            std::filesystem::remove_all(m_doomed);
        }
        return result;
    }
    bool Done() const { return m_done; }

private:
    std::string m_listed, m_doomed;
    platform::FileSystem* m_previous;
    std::atomic<bool> m_done{false};
};

}  // namespace

TEST_F(NotesTree, RootsFoldersAndNotesFollowTheStoredStates)
{
    const Lines shownFolders = {"0 \\CardA\\My Documents", "1 trip.pwi", "0 \\CardB\\My Documents", "0 \\My Documents",
                                "1 Closed", "1 Empty", "2 This folder is empty", "1 Work", "2 w.pwi", "1 B.WAV",
                                "1 a.pwi"};
    const Lines allFolders = {"0 \\CardA\\My Documents", "1 trip.pwi", "0 \\CardB\\My Documents", "0 \\My Documents",
                              "1 Closed", "1 Empty", "2 This folder is empty", "1 Hidden", "1 Secret", "2 s.pwi",
                              "1 Work", "2 w.pwi", "1 B.WAV", "1 a.pwi"};
    for (bool showAll : {false, true}) {
        loadertest::SetSetting(kNotesSettingsKey, u"ShowAllFolders", showAll ? 1 : 0);
        LoaderHost host;
        CNotesThread loader;
        EXPECT_EQ(Load(loader, host), showAll ? allFolders : shownFolders) << "ShowAllFolders " << showAll;
        EXPECT_EQ(host.CompletedCount(), static_cast<LPARAM>(loader.GetDataList().size()));
        EXPECT_EQ(loader.RootPaths(),
                  (std::vector<std::u16string>{u"\\My Documents", u"\\CardA\\My Documents", u"\\CardB\\My Documents"}));
        EXPECT_EQ(loader.VoiceNoteCount(), 1);
        const DATANOTES* wave = Find(loader, u"B.WAV");
        ASSERT_NE(wave, nullptr);
        EXPECT_EQ(wave->kind, kNoteKindVoice);
        EXPECT_EQ(wave->size, 2u);
        EXPECT_EQ(std::u16string(wave->path), u"\\My Documents\\B.WAV");
        EXPECT_EQ(Find(loader, u"a.pwi")->size, 1u);
        EXPECT_EQ(Find(loader, u"w.pwi")->parent, Find(loader, u"Work"));
        if (showAll) {
            EXPECT_EQ(Find(loader, u"Hidden")->hiddenFolder, kNoteHiddenFolderMark);
        }
    }
}

TEST_F(NotesTree, ACardTakenOutBetweenLoadsDropsItsRootAndKeepsItsState)
{
    LoaderHost host;
    CNotesThread loader;
    Load(loader, host);
    ASSERT_NE(Find(loader, u"trip.pwi"), nullptr);
    std::filesystem::remove_all(Host("CardA"));
    Load(loader, host);
    EXPECT_EQ(loader.RootPaths(), (std::vector<std::u16string>{u"\\My Documents", u"\\CardB\\My Documents"}));
    EXPECT_EQ(Find(loader, u"trip.pwi"), nullptr);
    EXPECT_NE(Find(loader, u"w.pwi"), nullptr);
    // Put back, the card opens as it was left.
    Card(u"CardA");
    Ink(u"\\CardA\\My Documents\\trip.pwi");
    Load(loader, host);
    ASSERT_NE(Find(loader, u"trip.pwi"), nullptr);
    EXPECT_EQ(loader.IsFolderOpen(u"\\CardA\\My Documents"), kNoteFolderOpen);
}

TEST_F(NotesTree, AFolderRemovedWhileTheLoaderRunsShowsEmpty)
{
    // "Work" goes after the loader has listed the documents folder and while it looks into "Empty", before
    // it reaches "Work".
    VanishingFolder vanishing(Host("My Documents/Empty"), Host("My Documents/Work"));
    LoaderHost host;
    CNotesThread loader;
    const Lines rows = Load(loader, host);
    EXPECT_TRUE(vanishing.Done());
    const auto work = std::find(rows.begin(), rows.end(), "1 Work");
    ASSERT_NE(work, rows.end());
    ASSERT_NE(work + 1, rows.end());
    EXPECT_EQ(*(work + 1), "2 This folder is empty");
    EXPECT_EQ(Find(loader, u"w.pwi"), nullptr);
    EXPECT_NE(Find(loader, u"a.pwi"), nullptr);
}

TEST_F(NotesTree, OpeningClosingAndRefreshingStoreTheStateAndRelist)
{
    LoaderHost host;
    CNotesThread loader;
    Load(loader, host);
    host.Clear();
    DATANOTES* work = const_cast<DATANOTES*>(Find(loader, u"Work"));
    ASSERT_TRUE(loader.ExpandTreeNode(false, work, true));
    EXPECT_EQ(Find(loader, u"w.pwi"), nullptr);
    EXPECT_EQ(host.CompletedCount(), static_cast<LPARAM>(loader.GetDataList().size()));
    ASSERT_TRUE(loader.ExpandTreeNode(true, const_cast<DATANOTES*>(Find(loader, u"Closed")), true));
    ASSERT_NE(Find(loader, u"c.pwi"), nullptr);
    EXPECT_EQ(Find(loader, u"c.pwi")->parent, Find(loader, u"Closed"));

    // A new loader (a new window) reads the states written.
    {
        CRegistry::UnloadINIFileCache();
        LoaderHost again;
        CNotesThread reader;
        Load(reader, again);
        EXPECT_EQ(Find(reader, u"w.pwi"), nullptr);
        EXPECT_NE(Find(reader, u"c.pwi"), nullptr);
    }

    // A note written into an open folder shows after the folder is refreshed.
    Ink(u"\\My Documents\\Closed\\new.pwi");
    EXPECT_EQ(Find(loader, u"new.pwi"), nullptr);
    EXPECT_TRUE(loader.UpdateFolder(u"\\My Documents\\Closed\\"));
    ASSERT_NE(Find(loader, u"new.pwi"), nullptr);
    EXPECT_FALSE(loader.UpdateFolder(u"\\My Documents\\Work"));  // closed: nothing to relist
    EXPECT_FALSE(loader.UpdateFolder(u"\\My Documents\\Nowhere"));
}

TEST_F(NotesTree, WhileAnotherThreadHoldsTheDataLockNothingChanges)
{
    LoaderHost host;
    CNotesThread loader;
    Load(loader, host);
    const size_t rows = loader.GetDataList().size();
    DATANOTES* work = const_cast<DATANOTES*>(Find(loader, u"Work"));
    std::promise<void> held, release;
    std::thread holder([&] {
        ScopedDataLock lock(loader);
        EXPECT_TRUE(lock.Acquired());
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    host.Clear();
    loader.SetNotifyWindow(host.Window());
    host.Run(loader, 60000);
    EXPECT_EQ(host.Count(WM_LOADER_DATA), 0);
    EXPECT_FALSE(loader.ExpandTreeNode(false, work, true));
    EXPECT_FALSE(loader.UpdateFolder(u"\\My Documents\\Work"));
    EXPECT_EQ(loader.GetDataList().size(), rows);
    EXPECT_NE(Find(loader, u"w.pwi"), nullptr);
    release.set_value();
    holder.join();
}
