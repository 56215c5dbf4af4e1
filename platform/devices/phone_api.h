// The shapes of the platform's optional phone services, as their libraries
// export them: "phone.dll" (PhoneMakeCall and the call log), "sms.dll" (the
// text-message calls) and the Bluetooth dialler "BTDialer.dll". None of these
// is present unless something registers it with the library loader
// (platform/modules/libraries.h); platform/devices/phone_plugin.h offers the
// project's own implementation over the device's call-log store.
#pragma once

#include "platform/base/types.h"
#include "platform/time/system_time.h"

// PhoneMakeCall.
constexpr DWORD PMCF_DEFAULT = 0x00000001;
constexpr DWORD PMCF_PROMPTBEFORECALLING = 0x00000002;

struct PHONEMAKECALLINFO {
    DWORD cbSize;
    DWORD dwFlags;
    LPCWSTR pszDestAddress;
    LPCWSTR pszAppName;
    LPCWSTR pszCalledParty;
    LPCWSTR pszComment;
};
using PFN_PhoneMakeCall = LONG (*)(PHONEMAKECALLINFO* info);

// The call log.
enum IOM { IOM_MISSED = 0, IOM_INCOMING = 1, IOM_OUTGOING = 2 };
enum CALLERIDTYPE { CALLERIDTYPE_UNAVAILABLE = 0, CALLERIDTYPE_BLOCKED = 1, CALLERIDTYPE_AVAILABLE = 2 };

struct CALLLOGENTRY {
    DWORD cbSize;
    FILETIME ftStartTime;
    FILETIME ftEndTime;
    IOM iom;
    BOOL fOutgoing : 1;
    BOOL fConnected : 1;
    BOOL fEnded : 1;
    BOOL fRoam : 1;
    CALLERIDTYPE cidt;
    LPWSTR pszNumber;  // LocalAlloc'ed by the library; the caller frees them
    LPWSTR pszName;
    LPWSTR pszNameType;
    LPWSTR pszNote;
};
using PFN_PhoneOpenCallLog = HRESULT (*)(HANDLE* log);
// S_OK with the next entry, S_FALSE past the last one.
using PFN_PhoneGetCallLogEntry = HRESULT (*)(HANDLE log, CALLLOGENTRY* entry);
using PFN_PhoneCloseCallLog = HRESULT (*)(HANDLE log);

// Text messages.
using SMS_HANDLE = DWORD_PTR;
using SMS_MESSAGE_ID = DWORD;
constexpr DWORD SMS_MODE_RECEIVE = 1;
constexpr DWORD SMS_MODE_SEND = 2;
constexpr DWORD SMS_OPTION_DELIVERY_NONE = 0;
constexpr int SMS_MAX_ADDRESS_LENGTH = 256;
constexpr DWORD SMS_PROVIDER_SPECIFIC_SIZE = 164;
inline constexpr const WCHAR* SMS_MSGTYPE_TEXT = u"Microsoft Text SMS Protocol";

enum SMS_ADDRESS_TYPE { SMSAT_UNKNOWN = 0, SMSAT_INTERNATIONAL = 1, SMSAT_NATIONAL = 2 };
enum SMS_DATA_ENCODING { SMSDE_OPTIMAL = 0, SMSDE_GSM = 1, SMSDE_UCS2 = 2 };

struct SMS_ADDRESS {
    SMS_ADDRESS_TYPE smsatAddressType;
    WCHAR ptsAddress[SMS_MAX_ADDRESS_LENGTH];
};

// The platform's published SMS error codes.
constexpr HRESULT SMS_E_TOOMUCHDATA = static_cast<HRESULT>(0x82000100u);
constexpr HRESULT SMS_E_INVALIDDATA = static_cast<HRESULT>(0x82000101u);
constexpr HRESULT SMS_E_BUFFERTOOSMALL = static_cast<HRESULT>(0x82000102u);
constexpr HRESULT SMS_E_PROVIDERSPECIFICBUFFERWRONGSIZE = static_cast<HRESULT>(0x82000103u);
constexpr HRESULT SMS_E_TIMEUNAVAILABLE = static_cast<HRESULT>(0x82000104u);
constexpr HRESULT SMS_E_RECEIVEHANDLEALREADYOPEN = static_cast<HRESULT>(0x82000105u);
constexpr HRESULT SMS_E_DESTINATIONOUTOFSVC = static_cast<HRESULT>(0x82000106u);
constexpr HRESULT SMS_E_INVALIDADDRESS = static_cast<HRESULT>(0x82000107u);
constexpr HRESULT SMS_E_MSGBARREDBYOPERATOR = static_cast<HRESULT>(0x82000108u);
constexpr HRESULT SMS_E_MSGCALLBARRED = static_cast<HRESULT>(0x82000109u);
constexpr HRESULT SMS_E_NOSCSUBSCRIPTION = static_cast<HRESULT>(0x8200010Au);
constexpr HRESULT SMS_E_SCBUSY = static_cast<HRESULT>(0x8200010Bu);
constexpr HRESULT SMS_E_SVCNOTSUBSCRIBED = static_cast<HRESULT>(0x8200010Cu);
constexpr HRESULT SMS_E_UNASSIGNEDNUMBER = static_cast<HRESULT>(0x8200010Du);
constexpr HRESULT SMS_E_UNKNOWNSCADDRESS = static_cast<HRESULT>(0x8200010Eu);
constexpr HRESULT SMS_E_UNIDENTIFIEDSUBCRIBER = static_cast<HRESULT>(0x8200010Fu);

using PFN_SmsOpen = HRESULT (*)(LPCWSTR protocol, DWORD mode, SMS_HANDLE* handle, HANDLE* messageEvent);
using PFN_SmsSendMessage = HRESULT (*)(SMS_HANDLE handle, const SMS_ADDRESS* serviceCenter,
                                       const SMS_ADDRESS* destination, const SYSTEMTIME* validity,
                                       const BYTE* data, DWORD dataSize, const BYTE* providerData,
                                       DWORD providerDataSize, SMS_DATA_ENCODING encoding, DWORD options,
                                       SMS_MESSAGE_ID* messageId);
using PFN_SmsClose = HRESULT (*)(SMS_HANDLE handle);

// The Bluetooth dialler: dials number on the paired phone; TRUE when dialled.
using PFN_BTDialNumber = BOOL (*)(LPCWSTR number);
