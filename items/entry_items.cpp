// The item functions of items/kstools_entry.h: each makes an item object,
// shows it in its (headless) editor and destroys it before returning.
#include <string>

#include "items/c_alarm_note.h"
#include "items/c_appointment.h"
#include "items/c_contact.h"
#include "items/c_task.h"
#include "items/journal_dialog.h"
#include "items/kstools_entry.h"
#include "platform/files/files.h"
#include "platform/messaging/window.h"
#include "platform/time/variant_time.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"

namespace {

// The headless editor: the item's kind and subject through the UI host;
// the button chosen is the editor's result.
int ShowEditor(const char16_t* kind, const std::u16string& subject, HWND owner = nullptr)
{
    std::u16string text = std::u16string(kind) + u"\n" + subject;
    return MessageBoxW(owner, text.c_str(), kind, MB_OKCANCEL);
}

// The invisible window D_PIM gives its editor as parent, so a caller without
// a window of its own still gets an owned editor; destroyed on return.
class EditorParentWindow {
public:
    EditorParentWindow()
    {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = DefWindowProcW;
            wc.lpszClassName = u"KSToolsEditorParent";
            return RegisterClassW(&wc) != 0;
        }();
        if (registered)
            hwnd_ = CreateWindowExW(0, u"KSToolsEditorParent", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }
    ~EditorParentWindow()
    {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    EditorParentWindow(const EditorParentWindow&) = delete;
    EditorParentWindow& operator=(const EditorParentWindow&) = delete;
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

void Init() { InitKSTools(nullptr, 1); }

double DateOf(const KSSYSTEMTIME* time)
{
    DATE date = 0;
    if (!time || !SystemTimeToVariantTime(reinterpret_cast<const SYSTEMTIME*>(time), &date)) return 0.0;
    return date;
}

int OpenAppointment(uint32_t oid, double date, HWND owner = nullptr)
{
    CAppointment appointment;
    // A date of 0.0 opens the series itself, another date its occurrence on that day.
    bool read = date == 0.0 ? appointment.ReadOID(static_cast<long>(oid), kNoOleDate, false)
                            : appointment.ReadOID(static_cast<long>(oid), date, true);
    if (!read || !appointment.LoadData()) return 2;
    return ShowEditor(u"Appointment", appointment.Subject(), owner);
}

int OpenTask(uint32_t oid, int cannotRead, HWND owner = nullptr)
{
    CTask task;
    if (!task.ReadOID(static_cast<long>(oid)) || !task.LoadData()) return cannotRead;
    return ShowEditor(u"Task", task.Subject(), owner);
}

int OpenContact(uint32_t oid, HWND owner = nullptr)
{
    CContact contact;
    if (!contact.ReadOID(static_cast<long>(oid))) return 2;
    contact.LoadData();
    return ShowEditor(u"Contact", contact.Text(CContact::kFileAs), owner);
}

// What the alarm-note functions ask of the one dispatcher they share.
enum class NoteMode { kCreate = 1, kDelete = 2, kOpen = 3 };

// A note made by the entry points lives only when its editor is accepted, as
// new tasks and appointments are saved only then.
int ShowNewNote(CAlarmNote& note)
{
    int result = ShowEditor(u"New note", note.Title());
    if (result != IDOK) note.Delete();
    return result;
}

// Create: a new ink note in the default folder. Delete: the note stored at
// path. Open: the note at path, or a new one made there when there is no
// such file. The editor's result, or 0 when nothing was opened or made
// (for Delete: 1 when the note was deleted).
int AlarmNoteDispatch(const WCHAR* path, NoteMode mode)
{
    Init();
    CAlarmNote note;
    switch (mode) {
    case NoteMode::kCreate:
        return note.Create(nullptr, nullptr, nullptr, nullptr, nullptr) ? ShowNewNote(note) : 0;
    case NoteMode::kDelete: return note.ReadNote(path, kAlarmNoteInk) && note.Delete() ? 1 : 0;
    case NoteMode::kOpen: break;
    }
    if (!path || !*path) return 0;
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        if (!note.ReadNote(path, kAlarmNoteInk) || !note.LoadNote()) return 0;
        return ShowEditor(u"Note", note.Title() + u"\n" + note.Text());
    }
    std::u16string where(path);
    size_t slash = where.rfind(u'\\');
    std::u16string folder = slash == std::u16string::npos ? std::u16string() : where.substr(0, slash);
    std::u16string name = slash == std::u16string::npos ? where : where.substr(slash + 1);
    if (name.empty() || !note.Create(nullptr, folder.c_str(), name.c_str(), nullptr, nullptr)) return 0;
    return ShowNewNote(note);
}

}  // namespace

extern "C" {

int D_Task(uint32_t oid, int, int)
{
    Init();
    return OpenTask(oid, 1);
}

int DisplayTaskWindowExtern(uint32_t oid, int editorArgument) { return D_Task(oid, editorArgument, 1); }

int C_Task(double date, const KSWCHAR* subject, int)
{
    Init();
    CTask task;
    if (!task.Create(date, subject, nullptr, false)) return 0;
    if (ShowEditor(u"New task", subject ? subject : u"") != IDOK) return 0;
    return task.Save() ? 1 : 0;
}

int C_TaskST(const KSSYSTEMTIME* date, const KSWCHAR* subject, int editorArgument)
{
    return C_Task(DateOf(date), subject, editorArgument);
}

int CreateTaskExtern(double date, uint16_t, int editorArgument) { return C_Task(date, nullptr, editorArgument); }

int TaskAlarmSave(uint32_t oid, const KSWCHAR* text, const KSSYSTEMTIME* time, int clear, const KSWCHAR*)
{
    Init();
    return CTask::FindAlarmAndModify(static_cast<long>(oid), text, reinterpret_cast<const SYSTEMTIME*>(time),
                                     clear != 0) != nullptr;
}

int D_Appt(uint32_t oid, double date, int, int)
{
    Init();
    return OpenAppointment(oid, date);
}

int DisplayAppointmentWindowExtern(uint32_t oid, double date, int editorArgument)
{
    return D_Appt(oid, date, editorArgument, 1);
}

int C_Appt(double date, int durationMinutes, const KSWCHAR* subject, int)
{
    Init();
    CAppointment appointment;
    if (!appointment.Create(date, subject, durationMinutes, nullptr, false)) return 0;
    if (ShowEditor(u"New appointment", subject ? subject : u"") != IDOK) return 0;
    return appointment.Save() ? 1 : 0;
}

int C_ApptST(const KSSYSTEMTIME* date, int durationMinutes, const KSWCHAR* subject, int editorArgument)
{
    return C_Appt(DateOf(date), durationMinutes, subject, editorArgument);
}

int CreateAppointmentExtern(double date, uint16_t, int editorArgument)
{
    return C_Appt(date, 60, nullptr, editorArgument);
}

int D_Contact(uint32_t oid, int, int)
{
    Init();
    return OpenContact(oid);
}

int DisplayContactWindowExtern(uint32_t oid, int editorArgument) { return D_Contact(oid, editorArgument, 1); }

int CreateContactExtern(void)
{
    Init();
    CContact contact;
    if (!contact.Create()) return 0;
    contact.LoadData();
    if (ShowEditor(u"New contact", u"") != IDOK) return 0;
    // Save answers false when the contact was stored.
    return contact.Save() ? 0 : 1;
}

int D_PIM(uint32_t oid, int)
{
    EditorParentWindow parent;
    if (!parent.Get()) return 2;
    Init();
    switch (COutlook::GetKSItemType(static_cast<long>(oid))) {
    case kKSItemContact: return OpenContact(oid, parent.Get());
    case kKSItemAppointment: return OpenAppointment(oid, 0.0, parent.Get());
    case kKSItemTask: return OpenTask(oid, 2, parent.Get());
    default: return 2;
    }
}

int CreateAlarmNoteExtern(void) { return AlarmNoteDispatch(nullptr, NoteMode::kCreate); }

int DeleteAlarmNoteFile(const KSWCHAR* path) { return AlarmNoteDispatch(path, NoteMode::kDelete); }

int D_Note(const KSWCHAR* path) { return AlarmNoteDispatch(path, NoteMode::kOpen); }

int C_Journal(void* parentWindow)
{
    Init();
    CJournalDialog::Collect(static_cast<HWND>(parentWindow), 0, nullptr, nullptr);
    return 2;
}

}  // extern "C"
