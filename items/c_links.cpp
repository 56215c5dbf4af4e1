// CLinks: the links database and the operations on it.
// Sections: The database; Adding; Deleting; Reading.
#include "items/c_links.h"
#include "items/c_appointment.h"
#include "items/c_task.h"

#include <cmath>
#include <optional>

#include "foundation/ce_string.h"
#include "grid/html_text.h"
#include "items/item_bstr.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/files.h"
#include "platform/locale/date_format.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"
#include "platform/time/variant_time.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

using item_text::Get;

namespace {

constexpr UINT kLinkMissingString = 40423;
constexpr UINT kFileNotFoundString = 40424;
constexpr UINT kNoApplicationString = 40425;
constexpr UINT kNoMemoryString = 40426;
constexpr UINT kNoLinksString = 41094;
constexpr UINT kItemGoneString = 40421;

SORTORDERSPEC g_sorts[3] = {
    {kLinkSource, CEDB_SORT_CASEINSENSITIVE},
    {kLinkNumber, CEDB_SORT_CASEINSENSITIVE},
    {kLinkTarget, CEDB_SORT_CASEINSENSITIVE},
};

CEPROPID g_readIds[7] = {kLinkNumber, kLinkSource, kLinkTarget, kLinkPath, kLinkKind, kLinkFlag, kLinkTitle};

void ShowString(UINT id)
{
    CeString text;
    text.LoadStringW(id);
    MessageBoxW(nullptr, text, nullptr, MB_OK | MB_ICONERROR | MB_TOPMOST);
}

bool Open(CeDb& db, CEPROPID sort)
{
    return CLinks::CheckAndCreateDB() && db.Open(kLinksDatabase, sort, 0, nullptr);
}

// One link record as read.
struct Link {
    CEOID oid = 0;
    LONG number = 0;
    LONG source = 0;
    LONG target = 0;
    LONG kind = 0;
    LONG flag = 0;
    std::u16string path;
    std::u16string title;
};

// Reads the current record of db.
std::optional<Link> ReadCurrent(CeDb& db)
{
    CeDbRecord record;
    if (!db.ReadRec(record, 7, g_readIds)) return std::nullopt;
    Link link;
    link.oid = record.GetOid();
    record.GetIndexVal(record.FindProp(kLinkNumber, 0), link.number);
    record.GetIndexVal(record.FindProp(kLinkSource, 1), link.source);
    record.GetIndexVal(record.FindProp(kLinkTarget, 2), link.target);
    record.GetIndexVal(record.FindProp(kLinkKind, 4), link.kind);
    record.GetIndexVal(record.FindProp(kLinkFlag, 5), link.flag);
    CeString text;
    if (record.GetIndexVal(record.FindProp(kLinkPath, 3), text)) link.path = static_cast<const WCHAR*>(text);
    if (record.GetIndexVal(record.FindProp(kLinkTitle, 6), text)) link.title = static_cast<const WCHAR*>(text);
    return link;
}

// The links whose key (the sort db was opened with) equals value, in order.
std::vector<Link> LinksWith(CeDb& db, CEPROPID key, LONG value)
{
    std::vector<Link> links;
    CEPROPVAL seek{};
    seek.propid = key;
    seek.val.lVal = value;
    if (!db.SeekRec(&seek)) return links;
    do {
        std::optional<Link> link = ReadCurrent(db);
        if (!link) break;
        const LONG found = key == kLinkSource ? link->source : link->target;
        if (found != value) break;
        links.push_back(std::move(*link));
    } while (db.SeekNext());
    return links;
}

// The database holding record oid; 0 when the object store has no such record.
CEOID DatabaseOf(CEOID oid)
{
    CEOIDINFO info{};
    if (oid == 0 || !CeOidGetInfo(oid, &info) || info.wObjType != OBJTYPE_RECORD) return 0;
    return info.infRecord.oidParent;
}

// The object-model item of kind, or nothing when oid is no such item.
platform::ComRef<IDispatch> ItemOf(long oid)
{
    platform::ComRef<IDispatch> item;
    if (oid == 0 || FAILED(COutlook::GetOutlookObject().GetItemFromOid(oid, item.Put()))) return {};
    return item;
}

std::u16string ShortDate(double date)
{
    SYSTEMTIME st{};
    WCHAR text[80] = {};
    if (!VariantTimeToSystemTime(date, &st) || GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 80) <= 0)
        return {};
    return text;
}

std::u16string ShortTime(double date)
{
    SYSTEMTIME st{};
    WCHAR text[80] = {};
    if (!VariantTimeToSystemTime(date, &st) || GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, text, 80) <= 0)
        return {};
    return text;
}

std::u16string FileName(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// The label of a link's row; nothing when its target no longer exists.
std::optional<std::u16string> LabelOf(const Link& link)
{
    if (link.kind == kLinkToFile) return FileName(link.path);
    if (link.kind == kLinkToNote) return link.title.empty() ? FileName(link.path) : link.title;
    platform::ComRef<IDispatch> item = ItemOf(link.target);
    if (!item) return std::nullopt;
    switch (link.kind) {
        case kLinkToContact:
            if (auto contact = platform::ComRef<IContact>::Query(item.Get()))
                return Get(contact.Get(), &IContact::get_FileAs);
            return std::nullopt;
        case kLinkToAppointment:
            if (auto appointment = platform::ComRef<IAppointment>::Query(item.Get())) {
                DATE start = 0;
                VARIANT_BOOL allDay = VARIANT_FALSE;
                appointment->get_Start(&start);
                appointment->get_AllDayEvent(&allDay);
                std::u16string label = ShortDate(start);
                if (!allDay) label += u" " + ShortTime(start);
                return label + u" - " + Get(appointment.Get(), &IAppointment::get_Subject);
            }
            return std::nullopt;
        case kLinkToTask:
            if (auto task = platform::ComRef<ITask>::Query(item.Get())) {
                DATE due = kNoOleDate;
                task->get_DueDate(&due);
                std::u16string label;
                if (std::fabs(due - kNoOleDate) > 0.5) label = ShortDate(due) + u" - ";
                return label + Get(task.Get(), &ITask::get_Subject);
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

// Tells the main window that item's links changed, when both exist.
void NotifyMainWindow(HWND window, long item)
{
    const CEOID database = DatabaseOf(static_cast<CEOID>(item));
    if (!window || !database) return;
    SendMessageW(window, kLinksChangedMessage, static_cast<WPARAM>(static_cast<ULONG>(item)),
                 static_cast<LPARAM>(database));
}

}  // namespace

// ---- The database ----

bool CLinks::CheckAndCreateDB()
{
    CeDb db;
    if (!db.Open(kLinksDatabase, kLinkSource, 0, nullptr)) {
        if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) {
            MessageBoxW(nullptr, u"Unable to open database - Out of Memory", nullptr, MB_OK | MB_ICONERROR | MB_TOPMOST);
            return false;
        }
        if (!db.Create(kLinksDatabase, 0, 3, g_sorts)) {
            db.HandleError(u"CLinks::CheckAndCreateDB");
            return false;
        }
        return true;
    }
    if (!db.Open(kLinksDatabase, kLinkTarget, 0, nullptr)) {
        // A database of an older version, with fewer sort orders.
        CEDBASEINFO info{};
        info.dwFlags = CEDB_VALIDSORTSPEC;
        info.wNumSortOrder = 3;
        for (int i = 0; i < 3; ++i) info.rgSortSpecs[i] = g_sorts[i];
        CeDb named;
        if (named.Open(kLinksDatabase, 0, 0, nullptr)) {
            const CEOID oid = named.GetOid();
            named.SetInfo(oid, &info);
        }
    }
    return true;
}

// ---- Adding ----

bool CLinks::Create(long source, long target, const WCHAR* path, LONG kind, LONG flag, const WCHAR* title)
{
    if (source == 0 || source == target || !CheckAndCreateDB()) return false;
    // The same link is kept once: to an item, by its target; to a file, by
    // the file's path (device paths ignore case).
    const bool toFile = target == 0 && path && *path;
    CeDb db;
    if (target != 0 || toFile) {
        if (!Open(db, kLinkSource)) return false;
        for (const Link& link : LinksWith(db, kLinkSource, source)) {
            if (target != 0 && link.target == target) return false;
            if (toFile && link.target == 0 && _wcsicmp(link.path.c_str(), path) == 0) return false;
        }
    }
    if (!Open(db, kLinkNumber)) return false;
    LONG number = 1;
    if (db.SeekLast()) {
        if (std::optional<Link> last = ReadCurrent(db)) number = last->number + 1;
    }

    CeDbRecord record;
    const CEPROPID ids[] = {kLinkNumber, kLinkSource, kLinkTarget};
    record.AddProps(ids, 3);
    record.SetIndexVal(record.FindProp(kLinkNumber), number);
    record.SetIndexVal(record.FindProp(kLinkSource), static_cast<LONG>(source));
    record.SetIndexVal(record.FindProp(kLinkTarget), static_cast<LONG>(target));
    if ((target == 0 || kind == kLinkToNote) && path && *path) {
        record.AddProp(PropIdNumber(kLinkPath), TypeFromPropID(kLinkPath));
        record.SetIndexVal(record.FindProp(kLinkPath), path);
    }
    if (title && *title) {
        record.AddProp(PropIdNumber(kLinkTitle), TypeFromPropID(kLinkTitle));
        record.SetIndexVal(record.FindProp(kLinkTitle), title);
    }
    const CEPROPID tail[] = {kLinkKind, kLinkFlag};
    record.AddProps(tail, 2);
    record.SetIndexVal(record.FindProp(kLinkKind), kind);
    record.SetIndexVal(record.FindProp(kLinkFlag), flag);
    return db.AddRec(record);
}

bool CLinks::LinkItems(long first, long second)
{
    const int firstKind = COutlook::GetKSItemType(first);
    const int secondKind = COutlook::GetKSItemType(second);
    if (firstKind == kKSItemNone || secondKind == kKSItemNone) return false;
    const bool forward = Create(first, second, nullptr, secondKind, 1, nullptr);
    const bool backward = Create(second, first, nullptr, firstKind, 1, nullptr);
    return forward || backward;
}

bool CLinks::CreateFileLink(long item, const WCHAR* devicePath)
{
    if (!devicePath || !*devicePath) return false;
    const DWORD attributes = GetFileAttributesW(devicePath);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        ShowString(kFileNotFoundString);
        return false;
    }
    return Create(item, 0, devicePath, kLinkToFile, 0, nullptr);
}

void CLinks::Copy(long newItem, long oldItem, bool noQuestion)
{
    if (newItem == oldItem) return;
    CeDb db;
    if (!Open(db, kLinkSource)) return;
    const std::vector<Link> links = LinksWith(db, kLinkSource, oldItem);
    if (links.empty()) return;
    if (!noQuestion &&
        MessageBoxW(nullptr, u"This item contains links.\rDo you wish to copy the link references to the new item?",
                    u"Copy/Paste Question", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return;
    db.Close();
    for (const Link& link : links) {
        Create(newItem, link.target, link.path.empty() ? nullptr : link.path.c_str(), link.kind, 1,
               link.title.empty() ? nullptr : link.title.c_str());
    }
}

// ---- Deleting ----

void CLinks::Delete(long linkOid)
{
    if (linkOid <= 0) return;
    CeDb db;
    if (!Open(db, kLinkNumber) || db.SeekTo(static_cast<ULONG>(linkOid)) != static_cast<CEOID>(linkOid)) return;
    const std::optional<Link> link = ReadCurrent(db);
    if (!link) return;
    CEOID reverse = 0;
    if (link->kind != kLinkToFile && link->source && link->target && Open(db, kLinkTarget)) {
        for (const Link& other : LinksWith(db, kLinkTarget, link->source)) {
            if (other.source == link->target) {
                reverse = other.oid;
                break;
            }
        }
    }
    const HWND mainWindow = FindWindowW(u"CeWnd:Kestrel 2007", u"Kestrel 2007");
    db.DeleteRecord(static_cast<ULONG>(linkOid));
    if (reverse) db.DeleteRecord(reverse);
    // A file link's record is all there is; its item is not refreshed.
    if (link->kind == kLinkToFile) return;
    NotifyMainWindow(mainWindow, link->source);
    NotifyMainWindow(mainWindow, link->target);
}

void CLinks::DeleteLinksOfItem(long item)
{
    if (item == 0 || !CheckAndCreateDB()) return;
    for (CEPROPID key : {kLinkSource, kLinkTarget}) {
        CeDb db;
        if (!db.Open(kLinksDatabase, key, 0, nullptr)) continue;
        CEPROPVAL seek{};
        seek.propid = key;
        seek.val.lVal = static_cast<LONG>(item);
        for (CEOID found = db.SeekRec(&seek); found; found = db.SeekRec(&seek)) {
            if (!db.DeleteRecord(found)) break;
        }
    }
}

// ---- Reading ----

bool CLinks::GetLinkObject(long linkOid, LONG* kind, long* target, bool open)
{
    if (linkOid <= 0) return false;
    CeDb db;
    if (!Open(db, kLinkNumber) || db.SeekTo(static_cast<ULONG>(linkOid)) != static_cast<CEOID>(linkOid)) {
        ShowString(kLinkMissingString);
        return false;
    }
    const std::optional<Link> link = ReadCurrent(db);
    if (!link) {
        ShowString(kLinkMissingString);
        return false;
    }
    if (kind) *kind = link->kind;
    if (target) *target = link->target;
    if (!open) return true;
    if (link->kind == kLinkToFile || link->kind == kLinkToNote) {
        SetLastError(ERROR_SUCCESS);
        if (GetFileAttributesW(link->path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        switch (GetLastError()) {
            case ERROR_NOT_ENOUGH_MEMORY: ShowString(kNoMemoryString); break;
            case ERROR_NO_ASSOCIATION: ShowString(kNoApplicationString); break;
            default: ShowString(kFileNotFoundString); break;
        }
        return false;
    }
    if (!ItemOf(link->target)) {
        ShowString(kItemGoneString);
        return false;
    }
    return true;
}

bool CLinks::OpenLink(long linkOid)
{
    LONG kind = 0;
    long target = 0;
    if (!GetLinkObject(linkOid, &kind, &target, true)) return false;
    std::u16string shown;
    const WCHAR* caption = u"";
    switch (kind) {
        case kLinkToAppointment: {
            CAppointment appointment;
            if (COutlook::GetKSItemType(target) != kKSItemAppointment || !appointment.ReadOID(target) ||
                !appointment.LoadData())
                break;
            shown = appointment.SummaryMarkup();
            caption = u"Appointment";
            break;
        }
        case kLinkToTask: {
            CTask task;
            if (COutlook::GetKSItemType(target) != kKSItemTask || !task.ReadOID(target) || !task.LoadData()) break;
            shown = task.SummaryMarkup();
            caption = u"Task";
            break;
        }
        case kLinkToContact:
            if (auto contact = platform::ComRef<IContact>::Query(ItemOf(target).Get())) {
                shown = Get(contact.Get(), &IContact::get_FileAs);
                caption = u"Contact";
            }
            break;
        case kLinkToFile:
        case kLinkToNote: {
            const std::optional<Link> link = [&] {
                CeDb db;
                return Open(db, kLinkNumber) && db.SeekTo(static_cast<ULONG>(linkOid)) == static_cast<CEOID>(linkOid)
                           ? ReadCurrent(db)
                           : std::nullopt;
            }();
            if (link) shown = link->path;
            caption = kind == kLinkToNote ? u"Note" : u"File";
            break;
        }
        default: break;
    }
    if (shown.empty()) {
        ShowString(kItemGoneString);
        return false;
    }
    // An item's summary is mark-up; the message box shows text, so the tags go and the typed text stays.
    if (kind == kLinkToAppointment || kind == kLinkToTask) shown = SummaryPlainText(shown);
    MessageBoxW(nullptr, shown.c_str(), caption, MB_OK | MB_ICONINFORMATION);
    return true;
}

int CLinks::ReadData(long item, std::vector<LinkRow>& rows)
{
    rows.clear();
    if (item == 0) return 0;
    CeDb db;
    if (!Open(db, kLinkSource)) return 0;
    const std::vector<Link> links = LinksWith(db, kLinkSource, item);
    db.Close();
    for (const Link& link : links) {
        std::optional<std::u16string> label = LabelOf(link);
        if (!label) continue;
        rows.push_back(LinkRow{link.oid, link.kind, static_cast<CEOID>(link.target), link.path, std::move(*label)});
    }
    return static_cast<int>(rows.size());
}

std::u16string CLinks::NoLinksText()
{
    CeString text;
    text.LoadStringW(kNoLinksString);
    return static_cast<const WCHAR*>(text);
}

bool CLinks::HasLinks(long item)
{
    CeDb db;
    if (item == 0 || !Open(db, kLinkSource)) return false;
    CEPROPVAL seek{};
    seek.propid = kLinkSource;
    seek.val.lVal = static_cast<LONG>(item);
    return db.SeekRec(&seek) != 0;
}
