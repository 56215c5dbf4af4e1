#include "platform/devices/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/text/utf8.h"

namespace platform {

namespace {

constexpr size_t kMaxLine = 512;

// The number after a three-letter prefix and before the closing ':', or -1.
int PortNumber(std::u16string_view name, std::u16string_view prefix)
{
    if (name.size() < prefix.size() + 2 || name.back() != u':') return -1;
    for (size_t i = 0; i < prefix.size(); ++i)
        if ((name[i] & ~0x20) != prefix[i]) return -1;
    int number = 0;
    for (size_t i = prefix.size(); i + 1 < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9' || number > 999) return -1;
        number = number * 10 + (name[i] - u'0');
    }
    return number;
}

long RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<long>(left.count()) : 0;
}

}  // namespace

std::string SerialPortHostPath(std::u16string_view name)
{
    if (!name.empty() && name[0] == u'/') return WideToUtf8(name);
    if (int n = PortNumber(name, u"COM"); n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    if (int n = PortNumber(name, u"BTC"); n >= 1) return "/dev/rfcomm" + std::to_string(n - 1);
    return {};
}

SerialPort::~SerialPort() { Close(); }

void SerialPort::Close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

bool SerialPort::Open(std::u16string_view name, int* error)
{
    Close();
    auto fail = [&](int code) {
        if (error) *error = code;
        Close();
        return false;
    };
    std::string path = SerialPortHostPath(name);
    if (path.empty()) return fail(ENOENT);
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return fail(errno);
    termios tio{};
    if (!isatty(m_fd) || tcgetattr(m_fd, &tio) != 0) return fail(isatty(m_fd) ? errno : ENOTTY);
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(m_fd, TCSANOW, &tio) != 0) return fail(errno);
    // Pseudo-terminals have no modem lines; raising them is best effort.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(m_fd, TIOCMBIS, &lines);
    if (error) *error = 0;
    return true;
}

SerialPort::Io SerialPort::Write(std::string_view bytes)
{
    if (m_fd < 0) return Io::Failed;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000 + 10 * bytes.size());
    while (!bytes.empty()) {
        pollfd p{m_fd, POLLOUT, 0};
        int ready = ::poll(&p, 1, static_cast<int>(RemainingMs(deadline)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Io::Failed;
        if (ready == 0) return Io::Timeout;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return Io::Gone;
        ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n < 0) return (errno == EIO || errno == ENXIO || errno == ENODEV) ? Io::Gone : Io::Failed;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Io::Ok;
}

SerialPort::Io SerialPort::ReadLine(std::string& line, unsigned timeoutMs)
{
    line.clear();
    if (m_fd < 0) return Io::Failed;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // A complete line in what has come in already?
        size_t start = m_pending.find_first_not_of("\r\n");
        if (start == std::string::npos) {
            m_pending.clear();
        } else {
            size_t end = m_pending.find_first_of("\r\n", start);
            if (end != std::string::npos || m_pending.size() - start >= kMaxLine) {
                if (end == std::string::npos) end = start + kMaxLine;
                line = m_pending.substr(start, std::min(end - start, kMaxLine));
                m_pending.erase(0, end);
                return Io::Ok;
            }
        }
        long left = RemainingMs(deadline);
        if (left == 0) return Io::Timeout;
        pollfd p{m_fd, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Io::Failed;
        if (ready == 0) return Io::Timeout;
        if ((p.revents & (POLLERR | POLLNVAL)) || ((p.revents & POLLHUP) && !(p.revents & POLLIN))) return Io::Gone;
        char buffer[256];
        ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n == 0) return Io::Gone;
        if (n < 0) return (errno == EIO || errno == ENXIO || errno == ENODEV) ? Io::Gone : Io::Failed;
        m_pending.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace platform
