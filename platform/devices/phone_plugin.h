// The project's own phone services: "phone.dll", "sms.dll" and
// "BTDialer.dll" with the exports of platform/devices/phone_api.h, for a
// desktop without a phone. Registered on request only (tests, kstools
// --phone-plugin), so that by default the library sees a device without a
// phone, as most are.
//
// What they do: PhoneMakeCall and the Bluetooth dialler record an outgoing
// call in the device's call log (platform/objectstore/call_log.h); the call
// log functions read that log, newest first; SmsSendMessage checks its
// arguments as a phone network would (address, size, provider block) and
// appends the message to "SmsOutbox.txt" in the device root, one line of
// address, tab and text (UTF-8).
#pragma once

#include <string>
#include <vector>

namespace platform {

// Registers the three libraries; false when one of those names is taken
// already (nothing registered then).
bool RegisterPhonePlugin();
// Removes them (the ones not loaded at the moment).
void UnregisterPhonePlugin();

struct SentTextMessage {
    std::u16string address;
    std::u16string text;
};
// The messages sent through the plug-in, oldest first, from the outbox file.
std::vector<SentTextMessage> ReadSmsOutbox();

}  // namespace platform
