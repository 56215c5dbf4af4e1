// CContact: the context and dial menus, copying, the summary window and the
// list of fields the editor always shows.
#include <string>

#include "foundation/ce_file.h"
#include "foundation/ce_list_file.h"
#include "items/c_contact.h"
#include "items/c_task_settings.h"
#include "items/item_copy.h"
#include "platform/devices/phone_api.h"
#include "platform/modules/libraries.h"
#include "platform/ui/menus.h"
#include "platform/ui/ui_host.h"
#include "storage/corvid_directory.h"

namespace {

// The editor's fields when no list is saved.
constexpr ULONG kDefaultEditorFields[] = {0xA556, 0xAE2E, 0xAE2C, 0xAE32, 0xA07B,
                                          0xA07D, 0xA07F, 0xAC29, 0xAE2F, 0xAE3A};

// The fields FillContactInfo offers, in menu order: numbers first (they can
// be dialled), then addresses.
constexpr CContact::Field kNumberFields[] = {
    CContact::kMobilePhone, CContact::kBusinessPhone, CContact::kBusiness2Phone, CContact::kHomePhone,
    CContact::kHome2Phone,  CContact::kCarPhone,      CContact::kPager,          CContact::kRadioPhone,
    CContact::kAssistantPhone, CContact::kBusinessFax, CContact::kHomeFax,
};
constexpr CContact::Field kAddressFields[] = {CContact::kEmail1, CContact::kEmail2, CContact::kEmail3,
                                              CContact::kWebPage};

bool IsNumberField(int field)
{
    for (CContact::Field f : kNumberFields)
        if (f == field) return true;
    return false;
}

// Places the call through the phone library's PhoneMakeCall.
bool DialThroughPhoneLibrary(const WCHAR* number, const WCHAR* name)
{
    HMODULE phone = LoadLibraryW(u"phone.dll");
    if (!phone) return false;
    bool placed = false;
    if (auto call = reinterpret_cast<PFN_PhoneMakeCall>(GetProcAddress(phone, "PhoneMakeCall"))) {
        PHONEMAKECALLINFO info{};
        info.cbSize = sizeof info;
        info.dwFlags = PMCF_DEFAULT;
        info.pszDestAddress = number;
        info.pszCalledParty = name;
        placed = call(&info) == 0;
    }
    FreeLibrary(phone);
    return placed;
}

}  // namespace

const WCHAR* CContact::InfoLabel(Field field)
{
    switch (field) {
        case kMobilePhone: return u"Mobile";
        case kBusinessPhone: return u"Work";
        case kBusiness2Phone: return u"Work 2";
        case kHomePhone: return u"Home";
        case kHome2Phone: return u"Home 2";
        case kCarPhone: return u"Car";
        case kPager: return u"Pager";
        case kRadioPhone: return u"Radio";
        case kAssistantPhone: return u"Assistant";
        case kBusinessFax: return u"Work fax";
        case kHomeFax: return u"Home fax";
        case kEmail1: return u"E-mail";
        case kEmail2: return u"E-mail 2";
        case kEmail3: return u"E-mail 3";
        case kWebPage: return u"Web page";
        default: return nullptr;
    }
}

// ---- Menus ----

int CContact::FillContactInfo(HMENU menu)
{
    if (!menu || !RequireItem()) return 0;
    LoadData();
    int added = 0;
    const auto add = [&](Field field) {
        const std::u16string value = Text(field);
        if (value.empty()) return;
        const std::u16string text = std::u16string(InfoLabel(field)) + u":\t" + value;
        if (AppendMenuW(menu, MF_STRING, kContactInfoFirstCommand + field, text.c_str())) ++added;
    };
    for (Field field : kNumberFields) add(field);
    for (Field field : kAddressFields) add(field);
    return added;
}

int CContact::DoDialContext(UINT command, ContactDialer dial)
{
    if (command < kContactInfoFirstCommand || !IsNumberField(static_cast<int>(command - kContactInfoFirstCommand)))
        return -1;
    if (!RequireItem()) return 0;
    LoadData();
    const std::u16string number = Text(static_cast<Field>(command - kContactInfoFirstCommand));
    if (number.empty()) return 0;
    const std::u16string name = Text(kFileAs);
    const bool placed = dial ? dial(number.c_str(), name.c_str()) : DialThroughPhoneLibrary(number.c_str(), name.c_str());
    if (!placed) {
        const std::u16string text = u"The call to " + number + u" could not be placed.";
        MessageBoxW(nullptr, text.c_str(), u"Dial", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return 0;
    }
    MarkRecent();
    return 1;
}

int CContact::DoContext(UINT command, ContactDialer dial)
{
    if (command >= kContactInfoFirstCommand) return DoDialContext(command, dial);
    switch (command) {
        case kContactContextDelete: {
            if (!RequireItem()) return 0;
            if (MessageBoxW(nullptr, u"Delete this contact?", u"Contacts",
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) != IDYES)
                return 0;
            return SUCCEEDED(Delete()) ? 1 : 0;
        }
        case kContactContextCopy: return Copy() != 0 ? 1 : 0;
        case kContactContextBeam: return SendViaIR() ? 1 : 0;
        case kContactContextNewAppointment: return CreateAppointmentFrom(nullptr) != 0 ? 1 : 0;
        case kContactContextNewTask: return CreateTaskFrom(nullptr) != 0 ? 1 : 0;
        case kContactContextSummary: return DisplaySummaryWindow(nullptr) ? 1 : 0;
        case kContactContextMarkRecent:
            if (!RequireItem()) return 0;
            MarkRecent();
            return 1;
        default: return -1;
    }
}

// ---- Copy and summary ----

long CContact::Copy()
{
    if (!RequireItem()) return 0;
    LoadData();
    platform::ComRef<IContact> copy;
    HRESULT result = m_item->Copy(copy.Put());
    if (SUCCEEDED(result) && !copy) result = E_FAIL;
    if (SUCCEEDED(result)) result = copy->Save();
    LONG made = 0;
    if (SUCCEEDED(result)) copy->get_Oid(&made);
    if (FAILED(result) || !made) {
        MessageBoxW(nullptr, kContactCopyFailedText, u"Contacts", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return 0;
    }
    FinishItemCopy(platform::ComRef<IDispatch>::Adopt(copy.Detach()), made, m_oid, Text(kCategories));
    return made;
}

bool CContact::DisplaySummaryWindow(HWND host)
{
    if (!host && !ItemSetting(kContactItemKey, u"SummaryDlg", 1)) return false;
    if (!RequireItem()) return false;
    std::u16string markup;
    for (const std::u16string& row : SummaryRows()) markup += row + u"\n";
    AskUser(u"ContactSummary", markup, IDOK);
    return true;
}

// ---- The editor's fields ----

std::vector<ULONG> CContact::EditorFieldsAlwaysShown()
{
    CePtrList<ULONG> list;
    std::vector<ULONG> fields;
    if (CeReadListFile(ResolveSettingsPath(kContactEditorFieldsFile).c_str(), kContactEditorFieldsSignature, list) ==
        CELISTFILE_OK) {
        for (ULONG field : list) fields.push_back(field);
    }
    if (fields.empty()) fields.assign(std::begin(kDefaultEditorFields), std::end(kDefaultEditorFields));
    return fields;
}

bool CContact::SetEditorFieldsAlwaysShown(const std::vector<ULONG>& properties)
{
    CePtrList<ULONG> list;
    list.SetElementSize(sizeof(ULONG));
    for (ULONG field : properties)
        if (list.Append(field) != CELIST_OK) return false;
    const std::u16string path = ResolveSettingsPath(kContactEditorFieldsFile);
    CeFile::CreatePath(path.c_str());
    return CeWriteListFile(path.c_str(), kContactEditorFieldsSignature, list, CELISTFILE_ELEMENTSIZE) == CELISTFILE_OK;
}
