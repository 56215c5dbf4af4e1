// CLinks: links from an item to other items and to files, kept in the
// object-store database "KestrelLinks" apart from the personal-information
// databases.
//
// One record per directed link: number, source, target, kind, flag, and for
// files the device path (kinds 1 and 8) and title (kind 8). A relation between
// two items is two records, one in each direction; a file link is one record
// from the item, target 0. Callers know a link by its record's OID.
//
// Deleting a link also deletes its opposite record and tells the suite's main
// window (message 1030, kLinksChangedMessage) about each item that still
// exists. The editors' list view is headless here: ReadData fills a vector of
// rows with the label the list would show.
#pragma once

#include <string>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

// Kinds of link targets.
enum LinkDataType : LONG {
    kLinkToFile = 1,
    kLinkToContact = 2,
    kLinkToAppointment = 3,
    kLinkToTask = 4,
    kLinkToNote = 8,
};

// Sent to the main window for each item whose links changed: wParam the
// item's OID, lParam the OID of the database holding it (WM_USER + 6).
inline constexpr UINT kLinksChangedMessage = 1030;

// One row of an item's links list.
struct LinkRow {
    CEOID link = 0;      // the link record
    LONG kind = 0;       // LinkDataType
    CEOID target = 0;    // 0 for files
    std::u16string path;
    std::u16string label;
};

class KSTOOLS_API CLinks {
public:
    // Opens "KestrelLinks", creating it (or giving an older one its three sort
    // orders) when needed. False, after telling the user, when memory runs out.
    static bool CheckAndCreateDB();
    // Adds the link source -> target. False for source 0, a link to itself, an
    // existing link to the same target (for a file link, target 0: to the same
    // path, in any letter case), or a store that cannot be written.
    static bool Create(long source, long target, const WCHAR* path, LONG kind, LONG flag, const WCHAR* title);
    // Links two items both ways, each record with the other's kind. False when
    // either OID names no contact, appointment or task, or nothing was added.
    static bool LinkItems(long first, long second);
    // A link from item to the file at a device path. False when the file does
    // not exist (after telling the user) or the link is not added.
    static bool CreateFileLink(long item, const WCHAR* devicePath);
    // Gives newItem the forward links of oldItem (after asking, unless
    // noQuestion). Nothing for equal OIDs or an item without links.
    static void Copy(long newItem, long oldItem, bool noQuestion);
    // Deletes a link and its opposite record; the main window hears about it.
    static void Delete(long link);
    // Deletes every link from and to item. The item classes call this when
    // they delete an item.
    static void DeleteLinksOfItem(long item);
    // The kind and target of a link. With open: a missing link, a file that is
    // gone or an item that no longer exists is told to the user, and false is
    // returned; editors and programs are not started here.
    static bool GetLinkObject(long link, LONG* kind, long* target, bool open);
    // Opens a link's target: an appointment or task is loaded through its
    // item class, a contact through the object model, a file or note checked
    // on disk; what was opened (the item's summary, the contact's name, the
    // path) is shown through the UI host. A link whose target is gone or of
    // another kind than the link says is told to the user; false then.
    static bool OpenLink(long link);
    // The rows of item's links, targets that no longer exist left out; the
    // count of rows (0 for item 0). An item without links gets no rows.
    static int ReadData(long item, std::vector<LinkRow>& rows);
    // The text the links list shows for an item without links.
    static std::u16string NoLinksText();
    // Whether item has any link of its own.
    static bool HasLinks(long item);
};
