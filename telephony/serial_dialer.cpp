#include "telephony/serial_dialer.h"

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

CSerialDialer::CSerialDialer(DialProgressCallback callback, unsigned answerTimeoutMs)
    : m_callback(callback), m_answerTimeoutMs(answerTimeoutMs)
{}

CSerialDialer::~CSerialDialer() { Wait(); }

bool CSerialDialer::Open(std::u16string_view port, int* error) { return m_port.Open(port, error); }

bool CSerialDialer::Start(std::string number)
{
    if (!m_port.IsOpen() || m_thread.joinable()) return false;
    m_thread = std::thread([this, number = std::move(number)] { m_result = Run(number); });
    return true;
}

int CSerialDialer::Wait()
{
    if (m_thread.joinable()) m_thread.join();
    return m_result;
}

int CSerialDialer::Command(const std::string& command)
{
    switch (m_port.Write(command)) {
    case platform::SerialPort::Io::Ok: break;
    case platform::SerialPort::Io::Gone: return TSDIAL_DISCONNECTED;
    default: return TSDIAL_SENDFAILED;
    }
    std::string_view echo = std::string_view(command).substr(0, command.size() - 1);  // without the '\r'
    for (;;) {
        std::string line;
        switch (m_port.ReadLine(line, m_answerTimeoutMs)) {
        case platform::SerialPort::Io::Ok: break;
        case platform::SerialPort::Io::Timeout: return TSDIAL_TIMEOUT;
        default: return TSDIAL_DISCONNECTED;
        }
        std::string_view answer = Trim(line);
        if (answer == echo) continue;
        if (answer == "OK" || answer == "0") return 0;
        if (StartsWith(answer, "NO CARRIER") || answer == "3") return TSDIAL_DISCONNECTED;
        return TSDIAL_BADRESPONSE;
    }
}

int CSerialDialer::Run(const std::string& number)
{
    if (m_callback) m_callback(TSDIAL_STARTED);
    int error = Command("ATE1\r");
    if (!error) error = Command("ATV1\r");
    if (!error) error = Command("ATD" + number + ";\r");
    if (error && m_callback) m_callback(error);
    if (m_callback) m_callback(TSDIAL_FINISHED);
    m_port.Close();
    return error;
}
