// Turning a stored telephone number into what is dialled.
//
// PreparePhoneNumber applies the dialling settings:
//  - "+" and the own country code: a national number, treated as if it began
//    with the long-distance prefix;
//  - "+" and another country code: the international access prefix, a blank
//    and the rest ("+" kept when no access prefix is set);
//  - a number beginning with the long-distance prefix loses it when the rest
//    begins with the own area code and the area code need not be dialled (a
//    local call); otherwise it keeps it;
//  - the own area code is put before a local number (one without either
//    prefix) when "CV_DialAreaCode" asks for it, and kept on an own-area
//    number that came with the long-distance prefix, without that prefix;
//  - "CV_Prefix" goes before everything.
// Blanks, '-', '.', '(' and ')' are dropped first, so that prefixes are found
// in "+44 (20) 7946-0018" as in "+442079460018"; other characters (letters,
// ',', '*', '#') stay for the dialler to handle.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "telephony/phone_settings.h"

// The longest prepared number, in characters (the prepared text holds 1024
// with its terminator).
constexpr size_t kMaxDialLength = 1023;

// The number to dial; empty when there is nothing to dial or the result would
// be longer than kMaxDialLength (*tooLong is then set).
std::u16string PreparePhoneNumber(const PhoneSettings& settings, std::u16string_view number, bool* tooLong = nullptr);

// What a tone dialler plays: the number without blanks, '-' and ')'.
std::u16string ToneDialString(std::u16string_view prepared);
// What a modem is sent: only digits, '+' and ','.
std::string SerialDialString(std::u16string_view prepared);
