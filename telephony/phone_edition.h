// CPhoneEdition: the platform's phone and text-message libraries, loaded at
// run time so that the library works on devices without them. Every call is
// optional: when a library or one of its functions is missing the call
// returns E_NOINTERFACE (0x80004002), for which HandleSMSError shows
// "Cannot find the SMS Procedure in the DLL".
//
// Function addresses are looked up on first use and kept for the object's
// life (not the process's: plug-ins come and go at run time here, and a kept
// address must not outlive its library).
#pragma once

#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/devices/phone_api.h"

// One call of the call log.
class CCallLogEntry {
public:
    CCallLogEntry() = default;
    CCallLogEntry(const CCallLogEntry&) = delete;
    CCallLogEntry& operator=(const CCallLogEntry&) = delete;
    ~CCallLogEntry() { NullData(); }

    // Takes the record's strings over (the record's pointers are cleared).
    void SetData(CALLLOGENTRY& record);
    // Frees the strings.
    void NullData();

    FILETIME start{};
    FILETIME end{};
    IOM direction = IOM_INCOMING;
    bool outgoing = false;
    bool connected = false;
    LPWSTR number = nullptr;  // LocalAlloc'ed; null when withheld
    LPWSTR name = nullptr;
};

class CPhoneEdition {
public:
    // Loads "sms.dll" and, when that succeeds, "phone.dll".
    CPhoneEdition();
    // Closes an open SMS handle and call log, unloads both libraries.
    ~CPhoneEdition();
    CPhoneEdition(const CPhoneEdition&) = delete;
    CPhoneEdition& operator=(const CPhoneEdition&) = delete;

    // Both libraries and PhoneMakeCall present. Computed once per process;
    // Recheck forgets the answer after libraries were registered or removed.
    static bool IsPhoneEdition();
    static void Recheck();
    bool HasPhone() const { return m_phoneCall != nullptr; }

    LONG PhoneMakeCall(PHONEMAKECALLINFO* info);
    // Opens (again: closing the open handle first) for sending text messages.
    HRESULT SmsOpenSend();
    HRESULT SmsSendMessage(const SMS_ADDRESS* destination, const SYSTEMTIME* validity, const BYTE* data,
                           DWORD size, DWORD options);
    void SmsClose();
    bool SmsIsOpen() const { return m_sms != 0; }

    // The message of a messaging error code; null for codes without one.
    static const WCHAR* SMSErrorText(HRESULT code);
    // Shows that message as an error (nothing for other codes).
    static void HandleSMSError(HRESULT code);

    // Appends the calls that belong to the contact: those whose number is
    // one of numbers (compared by digits; "+" and separators ignored) or,
    // when numbers is empty, whose name equals name (case ignored). The call
    // log is opened once and kept open until the object is destroyed.
    // E_NOINTERFACE when the call-log functions are missing.
    HRESULT GetCallLogForContact(std::vector<CCallLogEntry*>& out, const WCHAR* name,
                                 const std::vector<std::u16string>& numbers);
    // Every call of the log, newest first.
    HRESULT GetCallLog(std::vector<CCallLogEntry*>& out);

private:
    template <class Function>
    static Function Lookup(HMODULE module, Function& slot, const char* name);
    HRESULT ReadCallLog(std::vector<CCallLogEntry*>& out, const WCHAR* name,
                        const std::vector<std::u16string>* numbers);

    HMODULE m_phoneModule = nullptr;
    HMODULE m_smsModule = nullptr;
    HANDLE m_callLog = nullptr;
    SMS_HANDLE m_sms = 0;
    PFN_PhoneMakeCall m_phoneCall = nullptr;
    PFN_SmsOpen m_smsOpen = nullptr;
    PFN_SmsSendMessage m_smsSend = nullptr;
    PFN_SmsClose m_smsClose = nullptr;
    PFN_PhoneOpenCallLog m_openLog = nullptr;
    PFN_PhoneGetCallLogEntry m_getLogEntry = nullptr;
    PFN_PhoneCloseCallLog m_closeLog = nullptr;
};

// Frees the entries of a list filled by CPhoneEdition and empties it.
void FreeCallLogEntries(std::vector<CCallLogEntry*>& entries);
