#include "telephony/phone_edition.h"

#include <atomic>
#include <cstring>

#include "items/show_error.h"
#include "platform/base/local_memory.h"
#include "platform/modules/libraries.h"
#include "platform/text/wide_string.h"

namespace {

std::atomic<int> g_phoneEdition{-1};

struct SmsErrorMessage {
    HRESULT code;
    const WCHAR* text;
};

// The platform's messaging error codes and their messages; trailing blanks
// are part of the texts.
constexpr SmsErrorMessage kSmsErrors[] = {
    {SMS_E_TOOMUCHDATA,
     u"The data passed into SmsSendMessage was too large and could not be properly encoded and sent out."},
    {SMS_E_INVALIDDATA, u"The data passed into SmsSendMessage was invalid."},
    {SMS_E_BUFFERTOOSMALL, u"The size of the buffer passed into SmsReadMessage was too small to read the data available."},
    {SMS_E_PROVIDERSPECIFICBUFFERWRONGSIZE,
     u"The size of the provider-specific buffer passed into SmsSendMessage or SmsReadMessage was incorrect."},
    {SMS_E_TIMEUNAVAILABLE, u"The Short Message Service Center (SMSC) Timestamp is currently unavailable."},
    {SMS_E_RECEIVEHANDLEALREADYOPEN,
     u"Only one handle per provider may be open for read access by any application at one time. "},
    {SMS_E_DESTINATIONOUTOFSVC,
     u"The message could not be delivered because the destination equipment is out of service. "},
    {SMS_E_INVALIDADDRESS, u"The specified address is invalid. "},
    {SMS_E_MSGBARREDBYOPERATOR, u"The operator barred (blocked) the message send attempt. "},
    {SMS_E_MSGCALLBARRED, u"Outgoing calls are barred so message sending was prevented. "},
    {SMS_E_NOSCSUBSCRIPTION, u"No message Service Center subscription. "},
    {SMS_E_SCBUSY, u"The message Service Center is busy. "},
    {SMS_E_SVCNOTSUBSCRIBED, u"The sender is not subscribed to the requested messaging service. "},
    {SMS_E_UNASSIGNEDNUMBER, u"The address specified as the message destination is currently an unassigned phone number. "},
    {SMS_E_UNKNOWNSCADDRESS, u"The SMSC address is unknown. "},
    {SMS_E_UNIDENTIFIEDSUBCRIBER, u"The sender's mobile ID is not registered."},
    {E_NOINTERFACE, u"Cannot find the SMS Procedure in the DLL"},
};

// The digits of a number (with '*' and '#'), for comparing numbers written
// differently.
std::u16string Digits(const WCHAR* number)
{
    std::u16string out;
    for (; number && *number; ++number)
        if ((*number >= u'0' && *number <= u'9') || *number == u'*' || *number == u'#') out.push_back(*number);
    return out;
}

}  // namespace

void CCallLogEntry::SetData(CALLLOGENTRY& record)
{
    NullData();
    start = record.ftStartTime;
    end = record.ftEndTime;
    direction = record.iom;
    outgoing = record.fOutgoing;
    connected = record.fConnected;
    number = record.pszNumber;
    name = record.pszName;
    record.pszNumber = nullptr;
    record.pszName = nullptr;
    if (record.pszNameType) LocalFree(record.pszNameType);
    if (record.pszNote) LocalFree(record.pszNote);
    record.pszNameType = nullptr;
    record.pszNote = nullptr;
}

void CCallLogEntry::NullData()
{
    if (number) LocalFree(number);
    if (name) LocalFree(name);
    number = nullptr;
    name = nullptr;
}

void FreeCallLogEntries(std::vector<CCallLogEntry*>& entries)
{
    for (CCallLogEntry* entry : entries) delete entry;
    entries.clear();
}

CPhoneEdition::CPhoneEdition()
{
    m_smsModule = LoadLibraryW(u"sms.dll");
    if (m_smsModule) m_phoneModule = LoadLibraryW(u"phone.dll");
    if (m_phoneModule) Lookup(m_phoneModule, m_phoneCall, "PhoneMakeCall");
    g_phoneEdition.store(m_phoneCall ? 1 : 0);
}

CPhoneEdition::~CPhoneEdition()
{
    SmsClose();
    if (m_callLog && Lookup(m_phoneModule, m_closeLog, "PhoneCloseCallLog")) m_closeLog(m_callLog);
    m_callLog = nullptr;
    if (m_phoneModule) FreeLibrary(m_phoneModule);
    if (m_smsModule) FreeLibrary(m_smsModule);
}

template <class Function>
Function CPhoneEdition::Lookup(HMODULE module, Function& slot, const char* name)
{
    if (!slot && module) slot = reinterpret_cast<Function>(GetProcAddress(module, name));
    return slot;
}

bool CPhoneEdition::IsPhoneEdition()
{
    if (g_phoneEdition.load() == -1) CPhoneEdition probe;
    return g_phoneEdition.load() == 1;
}

void CPhoneEdition::Recheck() { g_phoneEdition.store(-1); }

LONG CPhoneEdition::PhoneMakeCall(PHONEMAKECALLINFO* info)
{
    if (!m_phoneCall) return E_NOINTERFACE;
    return m_phoneCall(info);
}

HRESULT CPhoneEdition::SmsOpenSend()
{
    SmsClose();
    if (!Lookup(m_smsModule, m_smsOpen, "SmsOpen")) return E_NOINTERFACE;
    SMS_HANDLE handle = 0;
    HRESULT hr = m_smsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &handle, nullptr);
    if (SUCCEEDED(hr)) m_sms = handle;
    return hr;
}

HRESULT CPhoneEdition::SmsSendMessage(const SMS_ADDRESS* destination, const SYSTEMTIME* validity, const BYTE* data,
                                      DWORD size, DWORD options)
{
    if (!Lookup(m_smsModule, m_smsSend, "SmsSendMessage")) return E_NOINTERFACE;
    BYTE provider[SMS_PROVIDER_SPECIFIC_SIZE] = {};
    SMS_MESSAGE_ID id = 0;
    return m_smsSend(m_sms, nullptr, destination, validity, data, size, provider, sizeof provider, SMSDE_OPTIMAL,
                     options, &id);
}

void CPhoneEdition::SmsClose()
{
    if (m_sms && Lookup(m_smsModule, m_smsClose, "SmsClose")) m_smsClose(m_sms);
    m_sms = 0;
}

const WCHAR* CPhoneEdition::SMSErrorText(HRESULT code)
{
    for (const SmsErrorMessage& message : kSmsErrors)
        if (message.code == code) return message.text;
    return nullptr;
}

void CPhoneEdition::HandleSMSError(HRESULT code)
{
    if (const WCHAR* text = SMSErrorText(code)) ShowError(u"%s", text);
}

HRESULT CPhoneEdition::ReadCallLog(std::vector<CCallLogEntry*>& out, const WCHAR* name,
                                   const std::vector<std::u16string>* numbers)
{
    if (!Lookup(m_phoneModule, m_openLog, "PhoneOpenCallLog") ||
        !Lookup(m_phoneModule, m_getLogEntry, "PhoneGetCallLogEntry") ||
        !Lookup(m_phoneModule, m_closeLog, "PhoneCloseCallLog"))
        return E_NOINTERFACE;
    // A log kept open from an earlier read has been read to its end: read
    // it afresh.
    if (m_callLog) m_closeLog(m_callLog);
    m_callLog = nullptr;
    HRESULT hr = m_openLog(&m_callLog);
    if (FAILED(hr)) {
        m_callLog = nullptr;
        return hr;
    }
    std::vector<std::u16string> wanted;
    if (numbers)
        for (const std::u16string& number : *numbers)
            if (std::u16string digits = Digits(number.c_str()); !digits.empty()) wanted.push_back(digits);
    for (;;) {
        CALLLOGENTRY record{};
        record.cbSize = sizeof record;
        if (m_getLogEntry(m_callLog, &record) != S_OK) break;
        auto entry = new CCallLogEntry;
        entry->SetData(record);
        bool belongs = true;
        if (numbers && !wanted.empty()) {
            std::u16string digits = Digits(entry->number);
            belongs = false;
            for (const std::u16string& number : wanted) belongs = belongs || digits == number;
        } else if (numbers) {
            belongs = name && *name && entry->name && _wcsicmp(entry->name, name) == 0;
        }
        if (belongs)
            out.push_back(entry);
        else
            delete entry;
    }
    return S_OK;
}

HRESULT CPhoneEdition::GetCallLogForContact(std::vector<CCallLogEntry*>& out, const WCHAR* name,
                                            const std::vector<std::u16string>& numbers)
{
    return ReadCallLog(out, name, &numbers);
}

HRESULT CPhoneEdition::GetCallLog(std::vector<CCallLogEntry*>& out) { return ReadCallLog(out, nullptr, nullptr); }
