// CContact: one contact of "Contacts Database", opened by OID through the
// object model, read lazily field by field, edited and saved back.
//
// Each text field is a CContactField bound to one contact property: its
// value is read through the IContact getter the first time it is asked for,
// and only changed fields are written by Save. Birthday, anniversary and the
// note are read with the item (kNoOleDate: no date).
//
// Besides the fields: file-as names (FileAsFormatter), the contact's picture
// (a file named after the file-as name in "%s\Corvid\ContactPics" or the
// documents folder's "VaziduContactPhotos"), beaming (the infrared folder of
// the object model, or a registered add-in), new appointments and tasks made
// from the contact, the recent-contacts list, and the summary as mark-up rows.
// Every message goes through the UI host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/ce_ptr_list.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"

class CFullCategory;

// Messages of the contact item in the suite's string table.
inline constexpr UINT kContactBodyNotSavedString = 40432;
inline constexpr UINT kContactMissingString = 40451;

// The settings key of the contact list and item.
inline constexpr const WCHAR* kContactItemKey = u"Software\\Corvid\\Kestrel\\CV";
// The add-in a registered beaming program sits under (HKEY_LOCAL_MACHINE); its
// "DLL" value names the library, which exports "GetPimMenuAddIn" returning an
// IPimMenuAddIn* (storage/pocket_outlook_icontext.h); the contact is beamed by
// its first command.
inline constexpr const WCHAR* kBeamAddInKey =
    u"Software\\Microsoft\\PimApps\\PimExtensions\\Contacts\\Addins\\ConduitsPeacemakerBeam";
// The file of the fields the contact editor always shows, in the data
// directory: a list file of 32-bit property identifiers.
inline constexpr const WCHAR* kContactEditorFieldsFile = u"%s\\Corvid\\ContactFieldsEditorAlwaysShows.bin";
inline constexpr const char* kContactEditorFieldsSignature = "CeList<BINDUMP>";
// The message of a failed copy.
inline constexpr const WCHAR* kContactCopyFailedText = u"Could not copy contact.";

// The actions of the contact's context menu (DoContext).
enum ContactContextCommand {
    kContactContextDelete = 1,
    kContactContextCopy,
    kContactContextBeam,
    kContactContextNewAppointment,
    kContactContextNewTask,
    kContactContextSummary,
    kContactContextMarkRecent,
};
// The menu entries FillContactInfo adds: this base plus the CContact::Field
// of the number or address.
inline constexpr UINT kContactInfoFirstCommand = 0x7100;

// Places a call to number for the contact named name; true when the call was
// placed. The telephone layer supplies one; without it the phone library's
// PhoneMakeCall is used.
using ContactDialer = bool (*)(const WCHAR* number, const WCHAR* name);

// The extensions a picture file may have.
inline constexpr const WCHAR* kContactPictureExtensions = u".bmp.jpg.gif.jpeg.png";

// One string property of a contact, read on first use.
class KSTOOLS_API CContactField {
public:
    CContactField() = default;
    CContactField(const CContactField&) = delete;
    CContactField& operator=(const CContactField&) = delete;
    ~CContactField();

    // Binds the field to property of *item (the item pointer is read at each
    // load, so the contact can replace its item); loaded, when not null, is
    // the contact's count of loaded fields.
    void SetField(IContact** item, int* loaded, UINT property);
    bool IsLoaded() const { return m_value != nullptr; }
    bool IsChanged() const { return m_changed != FALSE; }
    UINT GetPropID() const { return m_property; }
    // 0 when not loaded or empty.
    int Length() const;
    // The value, loaded first; never null.
    operator const WCHAR*();
    // The address of the value, for getters that fill a BSTR.
    BSTR* operator&() { return &m_value; }
    // Takes ownership of value (a BSTR; null is read as empty) and marks the
    // field changed.
    void Set(BSTR value);
    // Stores a copy and marks the field changed.
    void SetAlloc(const WCHAR* value);
    // Reads the value once through the getter of the property; an empty
    // string when there is no item or the getter fails.
    void LoadBSTR();
    // Writes a changed value through the property's setter; S_OK when
    // nothing changed. The changed mark stays until ClearChanged.
    HRESULT Write();
    void ClearChanged() { m_changed = FALSE; }
    // Drops the value (the next use loads it again).
    void Free();

private:
    BSTR m_value = nullptr;
    BOOL m_changed = FALSE;
    ULONG m_property = 0;
    IContact** m_item = nullptr;
    int* m_loaded = nullptr;
};

// Input and output of FileAsFormatter.
struct FILEASSTRUCT {
    const WCHAR* title = nullptr;
    const WCHAR* firstName = nullptr;
    const WCHAR* middleName = nullptr;
    const WCHAR* lastName = nullptr;
    const WCHAR* suffix = nullptr;
    const WCHAR* company = nullptr;
    std::u16string output[7];
};

class KSTOOLS_API CContact {
public:
    // The fields; the property each stands for is in contact_field_table.h.
    enum Field {
        kFileAs, kTitle, kFirstName, kMiddleName, kLastName, kSuffix, kCompany, kJobTitle, kDepartment,
        kOfficeLocation, kAssistantName, kAssistantPhone, kChildren, kSpouse,
        kHomeStreet, kHomeCity, kHomeState, kHomePostalCode, kHomeCountry,
        kBusinessStreet, kBusinessCity, kBusinessState, kBusinessPostalCode, kBusinessCountry,
        kOtherStreet, kOtherCity, kOtherState, kOtherPostalCode, kOtherCountry,
        kHomePhone, kHome2Phone, kHomeFax, kBusinessPhone, kBusiness2Phone, kBusinessFax, kRadioPhone,
        kMobilePhone, kPager, kCarPhone, kEmail1, kEmail2, kEmail3, kWebPage, kCategories,
        kFieldCount
    };
    CContact();
    CContact(const CContact&) = delete;
    CContact& operator=(const CContact&) = delete;
    ~CContact();

    // ---- Loading and saving ----
    // Drops anything loaded and opens contact oid; false when the object
    // model has no contact of that OID. Fields load lazily.
    bool ReadOID(long oid);
    // A new contact, stored by the first Save; false when the object model
    // cannot make one.
    bool Create();
    // Binds the fields and reads birthday, anniversary and the note (a new
    // contact gets no dates). Without an item: message 40451.
    void LoadData(bool force = false);
    // Releases every field value and, with item, the item.
    void NullData(bool item);
    // Writes the changed fields, the dates and the note, saves the item and
    // reads back its OID, stores the categories into the record, then a
    // pending picture change. False on success; true after an error message
    // (40451 without an item, the object model's reason when it refuses, such
    // as a field longer than it keeps). A note that cannot be written shows
    // 40432 and also gives true. Nothing is written when the item refuses.
    bool Save();
    // Deletes the contact with its links; 0 on success, else the object
    // model's result.
    int Delete();

    // ---- Fields ----
    CContactField& operator[](Field field);
    std::u16string Text(Field field);
    void SetText(Field field, std::u16string_view text);
    double Birthday();
    double Anniversary();
    void SetBirthday(double date);
    void SetAnniversary(double date);
    std::u16string Body();
    void SetBody(std::u16string_view body);
    long Oid() const { return m_oid; }
    bool IsNew() const { return m_new; }
    bool HasItem() const { return static_cast<bool>(m_item); }
    // The field named in English as kstools and the vCard mapping name it
    // ("FirstName", "HomeTelephoneNumber", ...; any case); -1 when none is.
    static int FieldFromName(std::u16string_view name);
    static const char* FieldName(Field field);

    // ---- File-as names ----
    // Empties all seven outputs, then: 0 "First Last", 1 "Last, First",
    // 2 "Title First Last" (with a title), 3-6 the company forms; only a
    // company: all seven the company. Trailing blanks leave 0-2.
    static void FileAsFormatter(FILEASSTRUCT* names);

    // ---- Picture ----
    // The picture's device path as a new block released with free; false
    // when there is none (or a removal is pending). isCompany tells that the
    // company's picture was found.
    bool GetPicture(WCHAR** path, bool* isCompany);
    // A picture chosen (copied into ContactPics by Save) or removed.
    void SetPicture(const WCHAR* path);
    void RemovePicture();

    // ---- Actions ----
    // Beams the contact: through the registered add-in when
    // "bUseExternalPlugins" is set and its library exists, else through the
    // object model's infrared folder. E_ABORT is a silent cancel, another
    // failure shows 40431, success marks the contact recent. True when the
    // contact was beamed.
    bool SendViaIR();
    // Beams the owner's contact ("ThisIsMe"); nothing when none is set.
    static void SendBusinessCard();
    // A new appointment or task named after the contact and its preferred
    // number, linked to it both ways, with journal entries; its OID, 0 when
    // none was made.
    long CreateAppointmentFrom(CePtrList<CFullCategory*>* categories);
    long CreateTaskFrom(CePtrList<CFullCategory*>* categories);
    // Puts the contact at the head of the recent-contacts list.
    void MarkRecent();
    // The summary: one mark-up row per item (header, numbers, addresses,
    // dates, the call-log link).
    std::vector<std::u16string> SummaryRows();

    // Shows the summary rows through the UI host (the question
    // "ContactSummary", the rows joined by line feeds); without a host window
    // only when "SummaryDlg" of the contact settings is set (default 1).
    // False when it was not shown.
    bool DisplaySummaryWindow(HWND host = nullptr);
    // A copy of the contact saved as a new contact, with its categories and
    // (after the links question) its links; its OID, 0 after the message
    // "Could not copy contact.".
    long Copy();
    // Runs one action of the context menu (ContactContextCommand), or, for a
    // command FillContactInfo added, DoDialContext. 1 when it was done, 0
    // when it was refused, cancelled or failed, -1 for a command it does not
    // know.
    int DoContext(UINT command, ContactDialer dial = nullptr);
    // The dial menu's command: a number FillContactInfo added is dialled
    // (the contact is then marked recent). 1 when the call was placed, 0 when
    // it was not (no phone, an empty number), -1 for a command that is no
    // number of this contact.
    int DoDialContext(UINT command, ContactDialer dial = nullptr);
    // Appends the contact's numbers, then its e-mail addresses and web page,
    // to menu as "Label:<tab>value" with the command kContactInfoFirstCommand
    // plus the field; the count of entries added.
    int FillContactInfo(HMENU menu);
    // The menu label of a number or address field ("Mobile", "E-mail 2");
    // null for other fields.
    static const WCHAR* InfoLabel(Field field);

    // ---- The editor's fields ----
    // The property identifiers the contact editor always shows, from
    // "ContactFieldsEditorAlwaysShows.bin"; the ten default ones when the file
    // is missing, unreadable or empty.
    static std::vector<ULONG> EditorFieldsAlwaysShown();
    // Writes the list (an empty one brings the defaults back); false when the
    // file cannot be written.
    static bool SetEditorFieldsAlwaysShown(const std::vector<ULONG>& properties);

    IContact* Item() const { return m_item.Get(); }
    // The device folder of contact pictures, "%s\Corvid\ContactPics" (made
    // with its parent when create is given).
    static std::u16string PictureFolder(bool create);

private:
    bool RequireItem();
    std::u16string ItemSubject();
    std::u16string PreferredNumber();
    bool CopyPicture();
    bool FindPicture(const std::u16string& folder, const std::u16string& name, std::u16string& path);

    platform::ComRef<IContact> m_item;
    IContact* m_itemPointer = nullptr;  // what the fields read through
    long m_oid = 0;
    bool m_loaded = false;
    bool m_new = false;
    bool m_pictureChanged = false;
    bool m_pictureRemoved = false;
    double m_birthday = kNoOleDate;
    double m_anniversary = kNoOleDate;
    std::u16string m_body;
    bool m_datesChanged = false;
    bool m_bodyChanged = false;
    std::u16string m_newPicture;
    int m_loadedFields = 0;
    CContactField m_fields[kFieldCount];
};
