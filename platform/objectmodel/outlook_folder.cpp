#include "platform/objectmodel/outlook_folder.h"

#include <algorithm>
#include <mutex>

#include "platform/base/error_codes.h"
#include "platform/files/durable_file.h"
#include "platform/files/files.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/contact_vcard.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_app.h"
#include "platform/objectmodel/outlook_item_collection.h"

namespace {

// The record OIDs of a database in its first sort order.
bool ReadOids(CEOID database, std::vector<CEOID>& oids)
{
    HANDLE db = CeOpenDatabaseEx(nullptr, &database, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    for (CEOID oid = CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr))
        oids.push_back(oid);
    CloseHandle(db);
    return true;
}

// The OID an item reports, 0 for an unsaved one.
CEOID OidOf(IDispatch* item)
{
    LONG oid = 0;
    if (const auto task = platform::ComRef<ITask>::Query(item)) {
        task->get_Oid(&oid);
    } else if (const auto appointment = platform::ComRef<IAppointment>::Query(item)) {
        appointment->get_Oid(&oid);
    } else if (const auto contact = platform::ComRef<IContact>::Query(item)) {
        contact->get_Oid(&oid);
    }
    return static_cast<CEOID>(oid);
}

// A file name in the outbox for a beamed item: its title (file-as name or
// subject) without the characters file names cannot hold, else "<fallback>
// <oid>"; " (2)", " (3)" ... when taken.
std::u16string OutboxFileName(const WCHAR* title, const char16_t* fallback, CEOID oid, const char16_t* extension)
{
    std::u16string name;
    for (const WCHAR* p = title; p && *p && name.size() < 64; ++p)
        name += std::u16string_view(u"\\/:*?\"<>|").find(*p) == std::u16string_view::npos && *p >= 0x20 ? *p : u'_';
    while (!name.empty() && (name.back() == u' ' || name.back() == u'.')) name.pop_back();
    if (name.empty()) name.append(fallback).append(u" ").append(Utf8ToWide(std::to_string(oid)));
    std::u16string path = std::u16string(kInfraredOutbox) + u"\\" + name + extension;
    for (int n = 2; GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        path = std::u16string(kInfraredOutbox) + u"\\" + name + u" (" + Utf8ToWide(std::to_string(n)) + u")" + extension;
    return path;
}

std::mutex g_writersLock;
InfraredWriter g_appointmentWriter;
InfraredWriter g_taskWriter;

InfraredWriter* WriterSlot(int kind)
{
    return kind == olAppointmentItem ? &g_appointmentWriter : kind == olTaskItem ? &g_taskWriter : nullptr;
}

// Writes one gathered item into the outbox; false when it has no beamed form
// or cannot be written.
bool BeamOne(IDispatch* item, CEOID oid)
{
    std::string text;
    std::u16string path;
    if (const auto contact = platform::ComRef<IContact>::Query(item)) {
        text = ContactToVCard(contact.Get(), "3.0", nullptr);
        platform::OwnedBstr fileAs;
        contact->get_FileAs(fileAs.Put());
        path = OutboxFileName(fileAs.Get(), u"Contact", oid, u".vcf");
    } else {
        const auto appointment = platform::ComRef<IAppointment>::Query(item);
        const auto task = platform::ComRef<ITask>::Query(item);
        InfraredWriter writer;
        {
            std::lock_guard<std::mutex> hold(g_writersLock);
            if (InfraredWriter* slot = WriterSlot(appointment ? olAppointmentItem : task ? olTaskItem : -1))
                writer = *slot;
        }
        if (!writer.write || !writer.write(item, text)) return false;
        platform::OwnedBstr subject;
        if (appointment) appointment->get_Subject(subject.Put());
        else task->get_Subject(subject.Put());
        path = OutboxFileName(subject.Get(), appointment ? u"Appointment" : u"Task", oid,
                              writer.extension ? writer.extension : u".txt");
    }
    return platform::ReplaceFileContents(path.c_str(), text.data(), text.size()) == ERROR_SUCCESS;
}

}  // namespace

void SetInfraredWriter(int kind, InfraredWriter writer)
{
    std::lock_guard<std::mutex> hold(g_writersLock);
    if (InfraredWriter* slot = WriterSlot(kind)) *slot = writer.write ? writer : InfraredWriter{};
}

OutlookFolder::OutlookFolder(OutlookApp* app, int itemKind)
    : app_(platform::ComRef<OutlookApp>::Share(app)), itemKind_(itemKind)
{}

OutlookFolder::~OutlookFolder() = default;

HRESULT OutlookFolder::get_Items(IPOutlookItemCollection** items)
{
    if (!items) return E_POINTER;
    *items = nullptr;
    if (!app_->LoggedOn()) return E_FAIL;
    std::vector<CEOID> oids;
    if (itemKind_ == 0) {
        oids = app_->InfraredItems();
    } else if (!ReadOids(app_->DatabaseOf(itemKind_), oids)) {
        return E_FAIL;
    }
    *items = new OutlookItemCollection(app_.Get(), itemKind_, std::move(oids));
    return S_OK;
}

HRESULT OutlookFolder::get_DefaultItemType(int* kind)
{
    if (!kind) return E_POINTER;
    *kind = itemKind_;
    return S_OK;
}

HRESULT OutlookFolder::get_Application(IPOutlookApp** app) { return OutlookHandOut<IPOutlookApp>(app_.Get(), app); }

HRESULT OutlookFolder::AddItemToInfraredFolder(int kind, IDispatch* item)
{
    if (!item) return E_POINTER;
    if (itemKind_ != 0) return E_FAIL;
    if (kind != olAppointmentItem && kind != olContactItem && kind != olTaskItem) return E_INVALIDARG;
    const CEOID oid = OidOf(item);
    // Only saved items can be beamed.
    if (!oid) return E_INVALIDARG;
    app_->InfraredItems().push_back(oid);
    return S_OK;
}

HRESULT OutlookFolder::SendToInfrared()
{
    if (itemKind_ != 0 || !app_->LoggedOn()) return E_FAIL;
    std::vector<CEOID>& gathered = app_->InfraredItems();
    if (gathered.empty()) return S_FALSE;
    CreateDirectoryW(kInfraredOutbox, nullptr);
    std::vector<CEOID> left;
    for (CEOID oid : gathered) {
        platform::ComRef<IDispatch> item;
        if (FAILED(app_->GetItemFromOid(static_cast<LONG>(oid), item.Put())) || !item || !BeamOne(item.Get(), oid))
            left.push_back(oid);
    }
    gathered = std::move(left);
    return gathered.empty() ? S_OK : E_FAIL;
}

HRESULT OutlookFolder::ReceiveFromInfrared(IPOutlookItemCollection** items)
{
    if (!items) return E_POINTER;
    *items = nullptr;
    return E_FAIL;
}
