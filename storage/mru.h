// Recently used lists: named lists of the entries a user chose last (folders,
// search texts, locations), newest first, that dialogs and menus offer again.
//
// A list lives in the registry under HKEY_CURRENT_USER as the key
// "Software\Corvid\Kestrel\Menus\<name>\MRU". Its string values are named by
// position in decimal, "0" being the newest, and there are at most 15.
//
// Entries are compared exactly (case matters): "\Work" and "\work" are two
// entries; an entry of any length is kept whole. Saving and reading are
// serialised within the process; two processes saving the same list at the
// same moment may lose one entry.
#pragma once

#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"

// Entries a list holds at most.
inline constexpr int kMRUMaxEntries = 15;

// What MRU fills.
constexpr int MRU_MODE_LISTBOX = 0;   // LB_ADDSTRING to the dialog's control (the window itself for id 0)
constexpr int MRU_MODE_COMBOBOX = 1;  // CB_RESETCONTENT, then CB_ADDSTRING
constexpr int MRU_MODE_MENU = 2;      // AppendMenuW, command id = id + position
constexpr int MRU_MODE_LIST = 3;      // appended to the given list

// Puts entry at the top of the list, removing an equal entry further down and
// dropping the oldest beyond 15. A null or empty entry (or list name) changes
// nothing.
void MRUSave(LPCWSTR listName, LPCWSTR entry);

// Shows the entries of a list, newest first. A list that has no values
// leaves the target unchanged. With checkFolders, an entry that is not an
// existing folder is removed from the stored list for good and not shown.
//
// Modes: MRU_MODE_LISTBOX and MRU_MODE_COMBOBOX fill the control
// GetDlgItem(window, controlId), or window itself when controlId is 0, and
// then show it (SW_SHOW). MRU_MODE_LIST appends copies of the entries to
// `list` (nothing when it is null). MRU_MODE_MENU treats `window` as the
// HMENU it was cast from, as callers ported from the device do; new code
// calls the HMENU overload below. Any other mode shows nothing (the folder
// check still runs).
void MRU(HWND window, LPCWSTR listName, int controlId, int mode, bool checkFolders, CeStrList<WCHAR*>* list);

// Appends the entries to a menu as MF_STRING items; the entry at position p
// (0 the newest, counted after the folder check) gets command id
// firstCommandId + p.
void MRU(HMENU menu, LPCWSTR listName, int firstCommandId, bool checkFolders);

// The whole list, newest first, as a new array of *count strings; a list
// without values gives one empty string (count 1), so element 0 always
// exists. The array and each string come from malloc: release them with
// CleanupMRUStrings. Null (count 0) only when memory runs out.
WCHAR** MRUStrings(LPCWSTR listName, int* count);

// Frees count strings of the array and then the array, all with free. A null
// array or null strings in it are allowed.
void CleanupMRUStrings(WCHAR** strings, int count);
