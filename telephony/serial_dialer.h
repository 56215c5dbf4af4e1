// CSerialDialer: dials a voice call on a modem or phone attached to a serial
// (or Bluetooth serial) port with AT commands, on a thread of its own.
//
// The exchange: "ATE1\r", "ATV1\r", then "ATD<number>;\r". After each command
// the first line that is not the echo of the command is the answer. "OK"
// goes on; anything else ends the exchange. Progress goes to the callback as
// ETSDialErr codes: TSDIAL_STARTED first, then at most one error code, then
// TSDIAL_FINISHED. Errors:
//   the port hangs up or vanishes, or the phone answers "NO CARRIER"
//                                         TSDIAL_DISCONNECTED
//   a command cannot be written           TSDIAL_SENDFAILED
//   "ERROR", a numeric error ("4"), "BUSY", "NO DIALTONE", "NO ANSWER" or
//   any other text                        TSDIAL_BADRESPONSE
//   no answer within the answer time-out  TSDIAL_TIMEOUT
#pragma once

#include <string>
#include <string_view>
#include <thread>

#include "platform/devices/serial_port.h"

enum ETSDialErr {
    TSDIAL_STARTED = 6,
    TSDIAL_DISCONNECTED = 8,
    TSDIAL_SENDFAILED = 9,
    TSDIAL_BADRESPONSE = 10,
    TSDIAL_TIMEOUT = 11,
    TSDIAL_FINISHED = 12,
};

using DialProgressCallback = int (*)(int code);

class CSerialDialer {
public:
    // answerTimeoutMs: how long each command's answer may take.
    explicit CSerialDialer(DialProgressCallback callback, unsigned answerTimeoutMs = 10000);
    CSerialDialer(const CSerialDialer&) = delete;
    CSerialDialer& operator=(const CSerialDialer&) = delete;
    ~CSerialDialer();

    // Opens and configures the port; false (errno in *error) when it cannot.
    bool Open(std::u16string_view port, int* error = nullptr);
    // Starts dialling number (digits, '+' and ',' only) on the open port.
    bool Start(std::string number);
    // Waits for the thread; the error code reported, 0 when the call was dialled.
    int Wait();

private:
    int Run(const std::string& number);
    int Command(const std::string& command);

    DialProgressCallback m_callback;
    unsigned m_answerTimeoutMs;
    platform::SerialPort m_port;
    std::thread m_thread;
    int m_result = 0;
};
