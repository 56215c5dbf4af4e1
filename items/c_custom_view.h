// CCustomView: saved snapshots of one view's whole settings key.
//
// Saving a custom view exports the key (with its sub-keys) from the settings
// store to a file; applying it checks the file (CheckCustomViewFile), clears
// the key when "CustomViewClear" asks for it (default 1), imports the file
// and restarts the view's loader, so the list shows the data the saved way.
//
// Files live under "%s\Corvid\CustomViews" (the data directory for %s), one
// per view and tab: "<folders\>name.<tab as three digits>". Each application
// keeps its views in a folder of its own below that root ("Tasks", "Calendar"),
// and the tab tells which of its views a file belongs to, so each view lists
// only its own; folders group views, nested to any depth. A manager made
// without an application name works on the whole root (and so sees the views
// of every application's folder too). Views saved at the root before the
// applications had folders are moved into their application's folder the
// first time a manager for it is made with its settings key.
//
// The naming and management dialogs are headless: the caller passes what the
// user typed, and the questions (replace an existing view?) go through the UI
// host. A CCustomView lives for one command; files and settings outlive it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

class CeWorkerThread;

// The views of one tab below one folder.
struct CustomViewTree {
    struct View {
        std::u16string name;  // file name without the tab extension
        int tab = 0;          // the number after the dot
    };
    std::u16string name;  // folder name; empty for the root
    int tab = 0;
    const CustomViewTree* parent = nullptr;
    std::vector<CustomViewTree> folders;
    std::vector<View> views;
    // Views here and in every folder below.
    int Count() const;
};

enum class CustomViewResult {
    kDone,
    kCancelled,    // the user declined (replace an existing view?)
    kBadName,      // empty, "." or "..", or no tab 0..999
    kMissing,      // no such view file
    kExists,       // a rename onto an existing view
    kBadFile,      // cut short, not a settings file, or another view's key
    kNoSettings,   // the key holds no values to save
    kStoreFailed,  // a file or the settings could not be written
};

class KSTOOLS_API CCustomView {
public:
    // Creates the root folder (and its parents) when missing.
    CCustomView();
    // Works in the application's own folder below the root (made when
    // missing); an empty or unusable application name means the root.
    explicit CCustomView(std::u16string_view application);
    // The same, first moving into the application's folder the views saved
    // before applications had folders of their own: a view file anywhere
    // below the root but outside this folder whose sections all belong to
    // key (the application's settings key) goes to the same relative path
    // here. A view whose place here is taken stays where it is: nothing is
    // overwritten, deleted or left half moved.
    CCustomView(std::u16string_view application, const WCHAR* key);

    // The root folder, a device path.
    static std::u16string RootFolder();
    // The folder this manager keeps its views in: the root, or the
    // application's folder below it.
    const std::u16string& Folder() const { return m_folder; }
    // The device path of view name (a relative path without extension) of
    // tab in the application's folder (the root when empty); empty for a name
    // that is not a clean relative path.
    static std::u16string ViewFile(std::u16string_view name, int tab, std::u16string_view application = {});

    // Fills tree with the views of tab; folders without views only with
    // includeEmpty. Sorted by name (folders and views apart) with sort. The
    // number of views found.
    unsigned short GetCustomViews(int tab, CustomViewTree& tree, bool sort, bool includeEmpty);
    // Saves settings key (under HKEY_CURRENT_USER) as view name of tab. The
    // name's folder part is remembered in "CustomViewPath"; each part is
    // trimmed and characters a file name cannot hold become '_'. Unless
    // silent, an existing view is replaced only after the question.
    CustomViewResult CreateNewCustomView(int tab, const WCHAR* key, bool silent, std::u16string_view name);
    // Applies view name of tab to key, then restarts loader (when given).
    CustomViewResult ApplyCustomView(std::u16string_view name, const WCHAR* key, int tab,
                                     CeWorkerThread* loader = nullptr);
    // Applies the view file at path to key; a refused file changes nothing.
    CustomViewResult ApplyCustomViewFromFile(const WCHAR* path, const WCHAR* key);
    // Renames (or moves into another folder) view from of tab.
    CustomViewResult RenameCustomView(int tab, std::u16string_view from, std::u16string_view to);
    // Deletes view name of tab; a folder left without entries goes too.
    CustomViewResult DeleteCustomView(int tab, std::u16string_view name);

    // The views the constructor moved into this folder.
    int AdoptedViews() const { return m_adopted; }

    // Why the last call failed, for the user; empty after success.
    const std::u16string& LastError() const { return m_error; }

private:
    CustomViewResult Fail(CustomViewResult result, std::u16string text);
    // The file of view name of tab in this manager's folder ("" when unusable).
    std::u16string FileOf(std::u16string_view name, int tab) const;

    std::u16string m_folder;
    std::u16string m_error;
    int m_adopted = 0;
};
