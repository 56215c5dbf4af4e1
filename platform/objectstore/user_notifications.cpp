// Sections: The notifications database; Checking a request; Storing; Reading back; The notification functions.

#include "platform/objectstore/user_notifications.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/base/local_memory.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/store_database.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"

namespace {

// The notification records' database and properties, by shorter names.
constexpr const WCHAR* kDatabaseName = kNotificationsDatabase;

constexpr CEPROPID kPropType = kNotificationType;
constexpr CEPROPID kPropEvent = kNotificationEvent;
constexpr CEPROPID kPropApplication = kNotificationApplication;
constexpr CEPROPID kPropArguments = kNotificationArguments;
constexpr CEPROPID kPropStart = kNotificationStart;
constexpr CEPROPID kPropEnd = kNotificationEnd;
constexpr CEPROPID kPropActions = kNotificationActions;
constexpr CEPROPID kPropTitle = kNotificationDialogTitle;
constexpr CEPROPID kPropText = kNotificationDialogText;
constexpr CEPROPID kPropSound = kNotificationSound;
constexpr CEPROPID kPropMaxSound = kNotificationMaxSound;
constexpr CEPROPID kPropReserved = kNotificationReserved;
constexpr CEPROPID kPropHandled = kNotificationHandled;

constexpr DWORD kAllActions = PUN_LED | PUN_VIBRATE | PUN_DIALOG | PUN_SOUND | PUN_REPEAT;

// ---- The notifications database ----

using Database = platform::StoreDatabase;

HANDLE OpenNotifications(bool create)
{
    return platform::OpenStoreDatabase(kDatabaseName, SORTORDERSPEC{kPropStart, CEDB_SORT_UNKNOWNFIRST}, create);
}

// The OID a notification handle carries; nullopt for values no OID can have.
std::optional<CEOID> OidOf(HANDLE notification)
{
    auto value = reinterpret_cast<std::uintptr_t>(notification);
    if (value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<CEOID>(value);
}

HANDLE HandleOf(CEOID oid) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(oid)); }

// Moves db to the notification's record. A missing record, or one of another
// database, means the handle names no notification.
bool SeekNotification(HANDLE db, CEOID oid)
{
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, oid, nullptr) == oid) return true;
    if (GetLastError() == ERROR_NOT_FOUND) SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

// ---- Checking a request ----

bool IsAllZero(const SYSTEMTIME& st)
{
    static const SYSTEMTIME zero{};
    return std::memcmp(&st, &zero, sizeof st) == 0;
}

bool IsTimed(DWORD type) { return type == CNT_TIME || type == CNT_PERIOD || type == CNT_CLASSICTIME; }

// A checked request, ready to be stored.
struct Request {
    DWORD type = 0;
    DWORD event = 0;
    LPCWSTR application = nullptr;
    LPCWSTR arguments = nullptr;
    FILETIME start{};
    FILETIME end{};
    const CE_USER_NOTIFICATION* notification = nullptr;
};

// Checks the arguments of a set call; sets ERROR_INVALID_PARAMETER and
// returns nullopt when they are not acceptable.
std::optional<Request> Check(const CE_NOTIFICATION_TRIGGER* trigger, const CE_USER_NOTIFICATION* notification)
{
    auto invalid = [] {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    };
    if (!trigger || trigger->dwSize != sizeof(CE_NOTIFICATION_TRIGGER)) return invalid();
    Request r;
    r.type = trigger->dwType;
    r.application = trigger->lpszApplication;
    r.arguments = trigger->lpszArguments;
    r.notification = notification;
    if (notification && (notification->ActionFlags & ~kAllActions)) return invalid();
    bool hasApplication = r.application && r.application[0];
    switch (r.type) {
        case CNT_EVENT:
            if (!hasApplication || trigger->dwEvent == NOTIFICATION_EVENT_NONE) return invalid();
            r.event = trigger->dwEvent;
            return r;
        case CNT_TIME:
            if (!hasApplication) return invalid();
            break;
        case CNT_PERIOD:
        case CNT_CLASSICTIME:
            if (!notification) return invalid();
            break;
        default:
            return invalid();
    }
    if (!SystemTimeToFileTime(&trigger->stStartTime, &r.start)) return invalid();
    if (IsAllZero(trigger->stEndTime)) {
        if (r.type == CNT_PERIOD) return invalid();
        r.end = r.start;
    } else if (!SystemTimeToFileTime(&trigger->stEndTime, &r.end) || CompareFileTime(&r.end, &r.start) < 0) {
        return invalid();
    }
    return r;
}

// ---- Storing ----

CEPROPVAL Number(CEPROPID id, DWORD value)
{
    CEPROPVAL p{};
    p.propid = id;
    p.val.ulVal = value;
    return p;
}

CEPROPVAL Text(CEPROPID id, LPCWSTR text)
{
    CEPROPVAL p{};
    p.propid = id;
    if (text)
        p.val.lpwstr = const_cast<LPWSTR>(text);
    else
        p.wFlags = CEDB_PROPDELETE;
    return p;
}

CEPROPVAL Time(CEPROPID id, const FILETIME& time, bool present)
{
    CEPROPVAL p{};
    p.propid = id;
    if (present)
        p.val.filetime = time;
    else
        p.wFlags = CEDB_PROPDELETE;
    return p;
}

CEPROPVAL Absent(CEPROPID id)
{
    CEPROPVAL p{};
    p.propid = id;
    p.wFlags = CEDB_PROPDELETE;
    return p;
}

// Every property of the record. Those the request lacks are flagged for
// deletion, so that a replaced notification keeps nothing of the old one.
std::vector<CEPROPVAL> PropertiesOf(const Request& r)
{
    bool timed = IsTimed(r.type);
    std::vector<CEPROPVAL> props{
        Number(kPropType, r.type),         Number(kPropEvent, r.event),      Text(kPropApplication, r.application),
        Text(kPropArguments, r.arguments), Time(kPropStart, r.start, timed), Time(kPropEnd, r.end, timed),
    };
    if (const CE_USER_NOTIFICATION* n = r.notification) {
        props.push_back(Number(kPropActions, n->ActionFlags));
        props.push_back(Text(kPropTitle, n->pwszDialogTitle));
        props.push_back(Text(kPropText, n->pwszDialogText));
        props.push_back(Text(kPropSound, n->pwszSound));
        props.push_back(Number(kPropMaxSound, n->nMaxSound));
        props.push_back(Number(kPropReserved, n->dwReserved));
    } else {
        for (CEPROPID id : {kPropActions, kPropTitle, kPropText, kPropSound, kPropMaxSound, kPropReserved})
            props.push_back(Absent(id));
    }
    props.push_back(Absent(kPropHandled));
    return props;
}

HANDLE Store(HANDLE existing, const Request& request)
{
    std::optional<CEOID> target;
    if (existing) {
        target = OidOf(existing);
        if (!target) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    }
    Database db(OpenNotifications(true));
    if (!db.ok()) return nullptr;
    std::vector<CEPROPVAL> props = PropertiesOf(request);
    if (target) {
        if (!SeekNotification(db.get(), *target)) return nullptr;
    } else {
        // A new record has nothing to delete.
        std::erase_if(props, [](const CEPROPVAL& p) { return (p.wFlags & CEDB_PROPDELETE) != 0; });
    }
    CEOID oid = CeWriteRecordProps(db.get(), target.value_or(0), static_cast<WORD>(props.size()), props.data());
    if (!oid) {
        if (target && GetLastError() == ERROR_NOT_FOUND) SetLastError(ERROR_INVALID_HANDLE);  // cleared meanwhile
        return nullptr;
    }
    return HandleOf(oid);
}

// ---- Reading back ----

// The properties of one record as read into a block from LocalAlloc.
class Record {
public:
    Record() = default;
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    bool Read(HANDLE db)
    {
        DWORD size = 0;
        return CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count_, nullptr, block_.InOut(), &size) != 0;
    }
    const CEPROPVAL* Find(CEPROPID id) const
    {
        const auto* props = block_.As<const CEPROPVAL>();
        for (WORD i = 0; i < count_; ++i)
            if (props[i].propid == id && !(props[i].wFlags & CEDB_PROPNOTFOUND)) return &props[i];
        return nullptr;
    }
    DWORD Number(CEPROPID id) const
    {
        const CEPROPVAL* p = Find(id);
        return p ? p->val.ulVal : 0;
    }
    LPCWSTR Text(CEPROPID id) const
    {
        const CEPROPVAL* p = Find(id);
        return p ? p->val.lpwstr : nullptr;
    }
    SYSTEMTIME Time(CEPROPID id) const
    {
        SYSTEMTIME st{};
        if (const CEPROPVAL* p = Find(id)) FileTimeToSystemTime(&p->val.filetime, &st);
        return st;
    }

private:
    platform::LocalBlock block_;
    WORD count_ = 0;
};

constexpr std::size_t AlignUp(std::size_t n, std::size_t alignment)
{
    return (n + alignment - 1) / alignment * alignment;
}

// Lays out the header, the trigger, the user notification and the strings in
// one buffer. Run first without a buffer to measure, then with one to fill.
class InfoWriter {
public:
    explicit InfoWriter(BYTE* buffer) : buffer_(buffer) {}

    template <class T>
    T* Place()
    {
        size_ = AlignUp(size_, alignof(T));
        T* at = buffer_ ? reinterpret_cast<T*>(buffer_ + size_) : nullptr;
        if (at) *at = T{};
        size_ += sizeof(T);
        return at;
    }
    LPWSTR Copy(LPCWSTR text)
    {
        if (!text) return nullptr;
        size_ = AlignUp(size_, alignof(WCHAR));
        std::size_t bytes = (wcslen(text) + 1) * sizeof(WCHAR);
        LPWSTR at = buffer_ ? reinterpret_cast<LPWSTR>(buffer_ + size_) : nullptr;
        if (at) std::memcpy(at, text, bytes);
        size_ += bytes;
        return at;
    }
    std::size_t size() const { return size_; }

private:
    BYTE* buffer_;
    std::size_t size_ = 0;
};

DWORD StatusOf(const Record& record)
{
    const CEPROPVAL* start = record.Find(kPropStart);
    if (!start || !IsTimed(record.Number(kPropType))) return 0;
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME now{};
    if (!SystemTimeToFileTime(&local, &now)) return 0;
    const DWORD handled = record.Number(kPropHandled) ? CNS_HANDLED : 0;
    return (CompareFileTime(&start->val.filetime, &now) <= 0 ? CNS_SIGNALLED : 0) | handled;
}

// Writes (or, with a null buffer, measures) the information of a record.
std::size_t WriteInfo(const Record& record, HANDLE notification, BYTE* buffer)
{
    InfoWriter out(buffer);
    auto* header = out.Place<CE_NOTIFICATION_INFO_HEADER>();
    auto* trigger = out.Place<CE_NOTIFICATION_TRIGGER>();
    bool hasUser = record.Find(kPropActions) != nullptr;
    CE_USER_NOTIFICATION* user = hasUser ? out.Place<CE_USER_NOTIFICATION>() : nullptr;
    LPWSTR application = out.Copy(record.Text(kPropApplication));
    LPWSTR arguments = out.Copy(record.Text(kPropArguments));
    LPWSTR title = hasUser ? out.Copy(record.Text(kPropTitle)) : nullptr;
    LPWSTR text = hasUser ? out.Copy(record.Text(kPropText)) : nullptr;
    LPWSTR sound = hasUser ? out.Copy(record.Text(kPropSound)) : nullptr;
    if (!buffer) return out.size();

    header->hNotification = notification;
    header->dwStatus = StatusOf(record);
    header->pcent = trigger;
    header->pceun = user;
    trigger->dwSize = sizeof(CE_NOTIFICATION_TRIGGER);
    trigger->dwType = record.Number(kPropType);
    trigger->dwEvent = record.Number(kPropEvent);
    trigger->lpszApplication = application;
    trigger->lpszArguments = arguments;
    trigger->stStartTime = record.Time(kPropStart);
    trigger->stEndTime = record.Time(kPropEnd);
    if (user) {
        user->ActionFlags = record.Number(kPropActions);
        user->pwszDialogTitle = title;
        user->pwszDialogText = text;
        user->pwszSound = sound;
        user->nMaxSound = record.Number(kPropMaxSound);
        user->dwReserved = record.Number(kPropReserved);
    }
    return out.size();
}

// Opens the database at the notification's record; a store without the
// database holds no notification.
bool OpenAt(Database& db, std::optional<CEOID> oid)
{
    if (!oid) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!db.ok()) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return SeekNotification(db.get(), *oid);
}

}  // namespace

// ---- The notification functions ----

HANDLE CeSetUserNotification(HANDLE existing, LPCWSTR application, SYSTEMTIME* time, CE_USER_NOTIFICATION* notification)
{
    if (!time) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    CE_NOTIFICATION_TRIGGER trigger{};
    trigger.dwSize = sizeof trigger;
    trigger.dwType = CNT_CLASSICTIME;
    trigger.lpszApplication = const_cast<LPWSTR>(application);
    trigger.stStartTime = *time;
    trigger.stEndTime = *time;
    return CeSetUserNotificationEx(existing, &trigger, notification);
}

HANDLE CeSetUserNotificationEx(HANDLE existing, CE_NOTIFICATION_TRIGGER* trigger, CE_USER_NOTIFICATION* notification)
{
    std::optional<Request> request = Check(trigger, notification);
    if (!request) return nullptr;
    return Store(existing, *request);
}

BOOL CeGetUserNotification(HANDLE notification, UINT bufferSize, UINT* bytesNeeded, BYTE* buffer)
{
    if (!bytesNeeded || (bufferSize && !buffer) ||
        reinterpret_cast<std::uintptr_t>(buffer) % alignof(CE_NOTIFICATION_INFO_HEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<CEOID> oid = OidOf(notification);
    Database db(oid ? OpenNotifications(false) : INVALID_HANDLE_VALUE);
    if (!OpenAt(db, oid)) return FALSE;
    Record record;
    if (!record.Read(db.get())) {
        if (GetLastError() == ERROR_NOT_FOUND || GetLastError() == ERROR_KEY_DELETED)
            SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::size_t needed = WriteInfo(record, notification, nullptr);
    *bytesNeeded = static_cast<UINT>(needed);
    if (bufferSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    WriteInfo(record, notification, buffer);
    return TRUE;
}

BOOL CeClearUserNotification(HANDLE notification)
{
    std::optional<CEOID> oid = OidOf(notification);
    Database db(oid ? OpenNotifications(false) : INVALID_HANDLE_VALUE);
    if (!OpenAt(db, oid)) return FALSE;
    if (!CeDeleteRecord(db.get(), *oid)) {
        if (GetLastError() == ERROR_NOT_FOUND) SetLastError(ERROR_INVALID_HANDLE);  // cleared meanwhile
        return FALSE;
    }
    return TRUE;
}

BOOL MarkUserNotificationHandled(HANDLE notification)
{
    std::optional<CEOID> oid = OidOf(notification);
    Database db(oid ? OpenNotifications(false) : INVALID_HANDLE_VALUE);
    if (!OpenAt(db, oid)) return FALSE;
    CEPROPVAL handled = Number(kPropHandled, 1);
    if (!CeWriteRecordProps(db.get(), *oid, 1, &handled)) {
        if (GetLastError() == ERROR_NOT_FOUND) SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL CeGetUserNotificationHandles(HANDLE* buffer, DWORD count, DWORD* needed)
{
    if (!needed || (count && !buffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HANDLE> handles;
    Database db(OpenNotifications(false));
    if (db.ok()) {
        for (CEOID oid = CeSeekDatabase(db.get(), CEDB_SEEK_BEGINNING, 0, nullptr); oid;
             oid = CeSeekDatabase(db.get(), CEDB_SEEK_CURRENT, 1, nullptr))
            handles.push_back(HandleOf(oid));
        if (GetLastError() != ERROR_NOT_FOUND) return FALSE;  // the walk stopped on a failure, not at the end
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return FALSE;
    }
    *needed = static_cast<DWORD>(handles.size());
    if (handles.size() > count) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::copy(handles.begin(), handles.end(), buffer);
    return TRUE;
}
