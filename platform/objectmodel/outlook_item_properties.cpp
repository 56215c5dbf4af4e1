#include "platform/objectmodel/outlook_item_properties.h"

#include <variant>

#include "platform/objectmodel/com_ref.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/wide_string.h"

namespace {

template <class I>
struct Property {
    const char16_t* name;
    std::variant<HRESULT (I::*)(BSTR*), HRESULT (I::*)(LONG*), HRESULT (I::*)(DATE*), HRESULT (I::*)(VARIANT_BOOL*)>
        getter;
};

const Property<ITask> kTaskProperties[] = {
    {u"Subject", &ITask::get_Subject},
    {u"Categories", &ITask::get_Categories},
    {u"StartDate", &ITask::get_StartDate},
    {u"DueDate", &ITask::get_DueDate},
    {u"DateCompleted", &ITask::get_DateCompleted},
    {u"Importance", &ITask::get_Importance},
    {u"Sensitivity", &ITask::get_Sensitivity},
    {u"Complete", &ITask::get_Complete},
    {u"ReminderSet", &ITask::get_ReminderSet},
    {u"ReminderTime", &ITask::get_ReminderTime},
    {u"ReminderOptions", &ITask::get_ReminderOptions},
    {u"ReminderSoundFile", &ITask::get_ReminderSoundFile},
    {u"Body", &ITask::get_Body},
    {u"IsRecurring", &ITask::get_IsRecurring},
    {u"TeamTask", &ITask::get_TeamTask},
    {u"Oid", &ITask::get_Oid},
};

const Property<IAppointment> kAppointmentProperties[] = {
    {u"Subject", &IAppointment::get_Subject},
    {u"Location", &IAppointment::get_Location},
    {u"Categories", &IAppointment::get_Categories},
    {u"Start", &IAppointment::get_Start},
    {u"End", &IAppointment::get_End},
    {u"Duration", &IAppointment::get_Duration},
    {u"AllDayEvent", &IAppointment::get_AllDayEvent},
    {u"BusyStatus", &IAppointment::get_BusyStatus},
    {u"Sensitivity", &IAppointment::get_Sensitivity},
    {u"MeetingStatus", &IAppointment::get_MeetingStatus},
    {u"ReminderSet", &IAppointment::get_ReminderSet},
    {u"ReminderMinutesBeforeStart", &IAppointment::get_ReminderMinutesBeforeStart},
    {u"IsRecurring", &IAppointment::get_IsRecurring},
    {u"Body", &IAppointment::get_Body},
    {u"Oid", &IAppointment::get_Oid},
};

const Property<IContact> kContactProperties[] = {
    {u"FileAs", &IContact::get_FileAs},
    {u"Title", &IContact::get_Title},
    {u"FirstName", &IContact::get_FirstName},
    {u"MiddleName", &IContact::get_MiddleName},
    {u"LastName", &IContact::get_LastName},
    {u"Suffix", &IContact::get_Suffix},
    {u"CompanyName", &IContact::get_CompanyName},
    {u"JobTitle", &IContact::get_JobTitle},
    {u"Department", &IContact::get_Department},
    {u"OfficeLocation", &IContact::get_OfficeLocation},
    {u"AssistantName", &IContact::get_AssistantName},
    {u"AssistantTelephoneNumber", &IContact::get_AssistantTelephoneNumber},
    {u"Spouse", &IContact::get_Spouse},
    {u"Children", &IContact::get_Children},
    {u"HomeAddressStreet", &IContact::get_HomeAddressStreet},
    {u"HomeAddressCity", &IContact::get_HomeAddressCity},
    {u"HomeAddressState", &IContact::get_HomeAddressState},
    {u"HomeAddressPostalCode", &IContact::get_HomeAddressPostalCode},
    {u"HomeAddressCountry", &IContact::get_HomeAddressCountry},
    {u"BusinessAddressStreet", &IContact::get_BusinessAddressStreet},
    {u"BusinessAddressCity", &IContact::get_BusinessAddressCity},
    {u"BusinessAddressState", &IContact::get_BusinessAddressState},
    {u"BusinessAddressPostalCode", &IContact::get_BusinessAddressPostalCode},
    {u"BusinessAddressCountry", &IContact::get_BusinessAddressCountry},
    {u"OtherAddressStreet", &IContact::get_OtherAddressStreet},
    {u"OtherAddressCity", &IContact::get_OtherAddressCity},
    {u"OtherAddressState", &IContact::get_OtherAddressState},
    {u"OtherAddressPostalCode", &IContact::get_OtherAddressPostalCode},
    {u"OtherAddressCountry", &IContact::get_OtherAddressCountry},
    {u"HomeTelephoneNumber", &IContact::get_HomeTelephoneNumber},
    {u"Home2TelephoneNumber", &IContact::get_Home2TelephoneNumber},
    {u"HomeFaxNumber", &IContact::get_HomeFaxNumber},
    {u"BusinessTelephoneNumber", &IContact::get_BusinessTelephoneNumber},
    {u"Business2TelephoneNumber", &IContact::get_Business2TelephoneNumber},
    {u"BusinessFaxNumber", &IContact::get_BusinessFaxNumber},
    {u"RadioTelephoneNumber", &IContact::get_RadioTelephoneNumber},
    {u"MobileTelephoneNumber", &IContact::get_MobileTelephoneNumber},
    {u"PagerNumber", &IContact::get_PagerNumber},
    {u"CarTelephoneNumber", &IContact::get_CarTelephoneNumber},
    {u"Email1Address", &IContact::get_Email1Address},
    {u"Email2Address", &IContact::get_Email2Address},
    {u"Email3Address", &IContact::get_Email3Address},
    {u"WebPage", &IContact::get_WebPage},
    {u"YomiFirstName", &IContact::get_YomiFirstName},
    {u"YomiLastName", &IContact::get_YomiLastName},
    {u"YomiCompanyName", &IContact::get_YomiCompanyName},
    {u"Birthday", &IContact::get_Birthday},
    {u"Anniversary", &IContact::get_Anniversary},
    {u"Categories", &IContact::get_Categories},
    {u"Body", &IContact::get_Body},
    {u"Oid", &IContact::get_Oid},
};

template <class I, size_t N>
const Property<I>* Lookup(const Property<I> (&table)[N], std::u16string_view name)
{
    const std::u16string key(name);
    for (const Property<I>& property : table)
        if (_wcsicmp(property.name, key.c_str()) == 0) return &property;
    return nullptr;
}

template <class I>
OutlookValueKind KindOfGetter(const Property<I>& property)
{
    static constexpr OutlookValueKind kinds[] = {OutlookValueKind::Text, OutlookValueKind::Number,
                                                 OutlookValueKind::Date, OutlookValueKind::Bool};
    return kinds[property.getter.index()];
}

template <class I>
HRESULT Read(I* item, const Property<I>& property, OutlookPropertyValue* value)
{
    value->kind = KindOfGetter(property);
    value->text.clear();
    value->number = 0;
    HRESULT result = S_OK;
    if (auto text = std::get_if<0>(&property.getter)) {
        platform::OwnedBstr b;
        result = (item->**text)(b.Put());
        value->text = b.Text();
    } else if (auto number = std::get_if<1>(&property.getter)) {
        LONG n = 0;
        result = (item->**number)(&n);
        value->number = n;
    } else if (auto date = std::get_if<2>(&property.getter)) {
        DATE d = 0;
        result = (item->**date)(&d);
        value->number = d;
    } else if (auto flag = std::get_if<3>(&property.getter)) {
        VARIANT_BOOL b = VARIANT_FALSE;
        result = (item->**flag)(&b);
        value->number = b ? 1 : 0;
    }
    return result;
}

template <class I, size_t N>
HRESULT GetFrom(IDispatch* item, const Property<I> (&table)[N], std::u16string_view name, OutlookPropertyValue* value)
{
    const Property<I>* property = Lookup(table, name);
    if (!property) return E_INVALIDARG;
    const auto typed = platform::ComRef<I>::Query(item);
    if (!typed) return E_NOINTERFACE;
    return Read(typed.Get(), *property, value);
}

}  // namespace

std::optional<OutlookValueKind> OutlookItemProperties::KindOf(int itemKind, std::u16string_view name)
{
    switch (itemKind) {
        case olTaskItem:
            if (auto p = Lookup(kTaskProperties, name)) return KindOfGetter(*p);
            break;
        case olAppointmentItem:
            if (auto p = Lookup(kAppointmentProperties, name)) return KindOfGetter(*p);
            break;
        case olContactItem:
            if (auto p = Lookup(kContactProperties, name)) return KindOfGetter(*p);
            break;
        default:
            break;
    }
    return std::nullopt;
}

HRESULT OutlookItemProperties::Get(IDispatch* item, int itemKind, std::u16string_view name, OutlookPropertyValue* value)
{
    if (!item || !value) return E_POINTER;
    switch (itemKind) {
        case olTaskItem:
            return GetFrom(item, kTaskProperties, name, value);
        case olAppointmentItem:
            return GetFrom(item, kAppointmentProperties, name, value);
        case olContactItem:
            return GetFrom(item, kContactProperties, name, value);
        default:
            return E_INVALIDARG;
    }
}
