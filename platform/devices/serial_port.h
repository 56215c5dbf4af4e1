// A serial port of the host opened the way a modem dialler needs it: 9600
// baud, 8 data bits, no parity, one stop bit, raw bytes, DTR and RTS raised.
//
// Port names: "COMn:" is the host's /dev/ttyS(n-1), "BTCn:" its Bluetooth
// serial link /dev/rfcomm(n-1); a name starting with '/' is a host path as it
// stands (a USB modem, a pseudo-terminal).
#pragma once

#include <string>
#include <string_view>

#include "platform/base/types.h"

namespace platform {

// The host path of a port name; empty for a name that is none of the above.
std::string SerialPortHostPath(std::u16string_view name);

class SerialPort {
public:
    enum class Io {
        Ok,
        Timeout,  // nothing (or no complete line) came in time
        Gone,     // the device went away (hang-up, unplugged, closed)
        Failed,   // any other error of the host
    };

    SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    ~SerialPort();

    // False, with the host's error in *error (errno), when the port cannot be
    // opened or configured.
    bool Open(std::u16string_view name, int* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }
    void Close();

    // Writes every byte within 1000 ms plus 10 ms per byte.
    Io Write(std::string_view bytes);
    // The next non-empty line (ended by CR or LF, without them), waiting at
    // most timeoutMs for it. Lines longer than 512 bytes are cut there.
    Io ReadLine(std::string& line, unsigned timeoutMs);

private:
    int m_fd = -1;
    std::string m_pending;  // bytes read past the last line
};

}  // namespace platform
