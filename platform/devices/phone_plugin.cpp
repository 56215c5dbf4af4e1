#include "platform/devices/phone_plugin.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>

#include "platform/base/local_memory.h"
#include "platform/devices/phone_api.h"
#include "platform/files/data_directory.h"
#include "platform/modules/libraries.h"
#include "platform/objectstore/call_log.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"

namespace platform {

namespace {

constexpr DWORD kMaxSmsCharacters = 160;
constexpr size_t kMaxNumberLength = 64;

std::string OutboxPath() { return DeviceRootDirectory() + "/SmsOutbox.txt"; }

// A dialable address: an optional leading '+', then digits, '*', '#' and
// separators, with at least one digit and at most kMaxNumberLength characters.
bool ValidNumber(const WCHAR* number)
{
    if (!number) return false;
    size_t length = wcsnlen(number, kMaxNumberLength + 1);
    if (length == 0 || length > kMaxNumberLength) return false;
    bool digit = false;
    for (size_t i = 0; i < length; ++i) {
        WCHAR c = number[i];
        if (c >= u'0' && c <= u'9')
            digit = true;
        else if (!(c == u'+' && i == 0) && c != u'*' && c != u'#' && c != u' ' && c != u'-' && c != u'(' &&
                 c != u')')
            return false;
    }
    return digit;
}

bool RecordOutgoingCall(const WCHAR* number, const WCHAR* name)
{
    CallLogEntry call;
    call.number = number;
    if (name) call.name = name;
    call.direction = kCallOutgoing;
    GetSystemTimeAsFileTime(&call.start);
    return AddCallLogEntry(call) != 0;
}

LONG PluginPhoneMakeCall(PHONEMAKECALLINFO* info)
{
    if (!info || info->cbSize < sizeof(PHONEMAKECALLINFO) || !ValidNumber(info->pszDestAddress))
        return E_INVALIDARG;
    return RecordOutgoingCall(info->pszDestAddress, info->pszCalledParty) ? S_OK : E_FAIL;
}

BOOL PluginBTDialNumber(LPCWSTR number) { return ValidNumber(number) && RecordOutgoingCall(number, nullptr); }

struct OpenCallLog {
    std::vector<CallLogEntry> calls;
    size_t next = 0;
};

HRESULT PluginPhoneOpenCallLog(HANDLE* log)
{
    if (!log) return E_POINTER;
    auto open = std::make_unique<OpenCallLog>();
    if (!ReadCallLog(open->calls)) open->calls.clear();
    *log = open.release();
    return S_OK;
}

LPWSTR LocalCopy(const std::u16string& text)
{
    if (text.empty()) return nullptr;
    auto* copy = static_cast<LPWSTR>(LocalAlloc(LPTR, (text.size() + 1) * sizeof(WCHAR)));
    if (copy) std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return copy;
}

HRESULT PluginPhoneGetCallLogEntry(HANDLE log, CALLLOGENTRY* entry)
{
    if (!log || !entry || entry->cbSize < sizeof(CALLLOGENTRY)) return E_INVALIDARG;
    auto* open = static_cast<OpenCallLog*>(log);
    if (open->next >= open->calls.size()) return S_FALSE;
    const CallLogEntry& call = open->calls[open->next++];
    DWORD size = entry->cbSize;
    *entry = CALLLOGENTRY{};
    entry->cbSize = size;
    entry->ftStartTime = call.start;
    ULONGLONG end = (static_cast<ULONGLONG>(call.start.dwHighDateTime) << 32 | call.start.dwLowDateTime) +
                    static_cast<ULONGLONG>(call.durationSeconds) * 10000000ull;
    entry->ftEndTime.dwLowDateTime = static_cast<DWORD>(end);
    entry->ftEndTime.dwHighDateTime = static_cast<DWORD>(end >> 32);
    bool outgoing = call.direction == kCallOutgoing;
    entry->iom = outgoing ? IOM_OUTGOING : call.missed ? IOM_MISSED : IOM_INCOMING;
    entry->fOutgoing = outgoing;
    entry->fConnected = !call.missed;
    entry->fEnded = TRUE;
    entry->cidt = call.number.empty() ? CALLERIDTYPE_BLOCKED : CALLERIDTYPE_AVAILABLE;
    entry->pszNumber = LocalCopy(call.number);
    entry->pszName = LocalCopy(call.name);
    return S_OK;
}

HRESULT PluginPhoneCloseCallLog(HANDLE log)
{
    if (!log) return E_INVALIDARG;
    delete static_cast<OpenCallLog*>(log);
    return S_OK;
}

struct SmsSession {
    DWORD mode;
};

HRESULT PluginSmsOpen(LPCWSTR protocol, DWORD mode, SMS_HANDLE* handle, HANDLE* messageEvent)
{
    if (!handle || !protocol || wcscmp(protocol, SMS_MSGTYPE_TEXT) != 0) return E_INVALIDARG;
    if (mode != SMS_MODE_SEND && mode != SMS_MODE_RECEIVE) return E_INVALIDARG;
    if (messageEvent) *messageEvent = nullptr;
    *handle = reinterpret_cast<SMS_HANDLE>(new SmsSession{mode});
    return S_OK;
}

HRESULT PluginSmsSendMessage(SMS_HANDLE handle, const SMS_ADDRESS*, const SMS_ADDRESS* destination,
                             const SYSTEMTIME*, const BYTE* data, DWORD dataSize, const BYTE* providerData,
                             DWORD providerDataSize, SMS_DATA_ENCODING, DWORD, SMS_MESSAGE_ID* messageId)
{
    auto* session = reinterpret_cast<SmsSession*>(handle);
    if (!session || session->mode != SMS_MODE_SEND) return E_INVALIDARG;
    if (!providerData || providerDataSize != SMS_PROVIDER_SPECIFIC_SIZE) return SMS_E_PROVIDERSPECIFICBUFFERWRONGSIZE;
    if (!destination || !ValidNumber(destination->ptsAddress)) return SMS_E_INVALIDADDRESS;
    if ((dataSize && !data) || dataSize % sizeof(WCHAR) != 0) return SMS_E_INVALIDDATA;
    if (dataSize / sizeof(WCHAR) > kMaxSmsCharacters) return SMS_E_TOOMUCHDATA;
    std::u16string text(reinterpret_cast<const char16_t*>(data), dataSize / sizeof(WCHAR));
    for (char16_t& c : text)
        if (c == u'\n' || c == u'\r' || c == u'\t') c = u' ';
    if (!EnsureDeviceRoot()) return E_FAIL;
    std::ofstream outbox(OutboxPath(), std::ios::app | std::ios::binary);
    outbox << WideToUtf8(destination->ptsAddress) << '\t' << WideToUtf8(text) << '\n';
    outbox.flush();
    if (!outbox) return E_FAIL;
    static SMS_MESSAGE_ID lastId = 0;
    if (messageId) *messageId = ++lastId;
    return S_OK;
}

HRESULT PluginSmsClose(SMS_HANDLE handle)
{
    if (!handle) return E_INVALIDARG;
    delete reinterpret_cast<SmsSession*>(handle);
    return S_OK;
}

}  // namespace

bool RegisterPhonePlugin()
{
    if (!RegisterLibrary(u"phone.dll", {{"PhoneMakeCall", AsFarProc(&PluginPhoneMakeCall)},
                                        {"PhoneOpenCallLog", AsFarProc(&PluginPhoneOpenCallLog)},
                                        {"PhoneGetCallLogEntry", AsFarProc(&PluginPhoneGetCallLogEntry)},
                                        {"PhoneCloseCallLog", AsFarProc(&PluginPhoneCloseCallLog)}}))
        return false;
    if (!RegisterLibrary(u"sms.dll", {{"SmsOpen", AsFarProc(&PluginSmsOpen)},
                                      {"SmsSendMessage", AsFarProc(&PluginSmsSendMessage)},
                                      {"SmsClose", AsFarProc(&PluginSmsClose)}})) {
        UnregisterLibrary(u"phone.dll");
        return false;
    }
    if (!RegisterLibrary(u"BTDialer.dll", {{"BTDialNumber", AsFarProc(&PluginBTDialNumber)}})) {
        UnregisterLibrary(u"phone.dll");
        UnregisterLibrary(u"sms.dll");
        return false;
    }
    return true;
}

void UnregisterPhonePlugin()
{
    UnregisterLibrary(u"phone.dll");
    UnregisterLibrary(u"sms.dll");
    UnregisterLibrary(u"BTDialer.dll");
}

std::vector<SentTextMessage> ReadSmsOutbox()
{
    std::vector<SentTextMessage> out;
    std::ifstream outbox(OutboxPath(), std::ios::binary);
    std::string line;
    while (std::getline(outbox, line)) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        out.push_back({Utf8ToWide(std::string_view(line).substr(0, tab)), Utf8ToWide(std::string_view(line).substr(tab + 1))});
    }
    return out;
}

}  // namespace platform
